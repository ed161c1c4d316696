// The picture formats the program writes: a new format is one encoder and one row.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"

#include <span>
#include <string>

struct picture_format {
    const char* name;      // as --format names it
    const char* shown;     // as messages name it
    const char* extension; // of the files written
    const char* routine;   // the encoder, as failures name it
    result<void> (*encode)(const byte_sink& sink, const image& p);
    bool (*ready)(); // whether this build, on this system, writes it
};

std::span<const picture_format> picture_formats();

// The format of that name, without regard to case; null when there is none.
const picture_format* find_picture_format(const char* name);
const picture_format& default_picture_format();
