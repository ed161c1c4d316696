// The command line: options, and the one place the disc comes from.
#pragma once

#include "core/error.hpp"
#include "platform/terminal.hpp"

#include <optional>
#include <string>
#include <vector>

struct picture_format;

struct options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool list = false;                        // decode everything, write nothing, list the pictures
    bool no_clobber = false;                  // a picture whose file is there is not written
    std::optional<console_encoding> encoding; // none: what the locale writes
    const picture_format* format = nullptr;   // none: BMP
    std::vector<std::string> only;            // patterns and group names; none: every picture
    std::string output;   // the folder the pictures go to; empty: the current one
    std::string manifest; // the file the run's JSON document goes to; empty: none
    std::string gallery;  // the page of the run's pictures, in the output folder; empty: none
    std::string source;   // a drive letter, a folder or an image; empty: ask for a letter
};

// Reads the arguments after the program's name, as GNU programs do: options anywhere, long
// ones by any unambiguous beginning, "--" ending them. What is wrong, when they are not
// understood.
result<options, std::string> parse_options(int argc, const char* const* argv);

// What --help prints: only what this build does.
std::string usage_text();
