// The picture formats the program writes: a new format is one encoder and one row.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"

#include <span>
#include <string>

// The library a format is written through, as this build has it.
struct format_library {
    const char* name;    // "libspng"
    bool built;          // found when the build was configured
    const char* version; // built against; empty without
    const char* file;    // loaded when first needed; empty where linked in or left out
};

struct picture_format {
    const char* name;      // as --format names it
    const char* shown;     // as messages name it
    const char* extension; // of the files written
    const char* routine;   // the encoder, as failures name it
    result<void> (*encode)(const byte_sink& sink, const image& p);
    bool (*ready)();               // whether this build, on this system, writes it
    const format_library* library; // none: written by the program alone
};

std::span<const picture_format> picture_formats();

// The format of that name, without regard to case; null when there is none.
const picture_format* find_picture_format(const char* name);
const picture_format& default_picture_format();
