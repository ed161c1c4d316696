// The command line: options, and the one place the disc comes from.
#pragma once

#include "extract/picture.hpp"
#include "platform/console.hpp"

#include <optional>
#include <string>

struct options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::optional<console_encoding> encoding; // none: what the terminal shows
    picture_format format = picture_format::bmp;
    std::string output; // the folder the pictures go to; empty: the current one
    std::string source; // a drive letter, a folder or an image; empty: ask for a letter
};

// Reads the arguments after the program's name. False, with what is wrong in error, when
// they are not understood.
bool parse_options(int argc, const char* const* argv, options& out, std::string& error);

// What --help prints.
extern const char usage_text[];
