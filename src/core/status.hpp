// Status codes: what every routine hands back, and what went wrong where. Nothing here
// prints; the program's edge turns a code into a message.
#pragma once

#include <cstdint>
#include <string>

// Zero or more is success (often a byte count); a negative value is an error code.
using status = std::int32_t;

constexpr status st_ok = 0;

// Codes from -199 to -2 are shown without a context name.
constexpr status err_name_too_long = -102;
constexpr status err_no_file = -104;
constexpr status err_bad_drive = -105;
// Codes of -200 and below name a context: a routine, or a path for err_open and err_read.
constexpr status err_context_band = -200;
constexpr status err_open = -201;
constexpr status err_unsupported = -202;
constexpr status err_argument = -501;
constexpr status err_memory = -503;
constexpr status err_reference = -504;
constexpr status err_overrun = -505;
constexpr status err_read = -601;
constexpr status err_write = -602;

// A code and the routine that gave it, for routines that hand up a callee's code.
struct outcome {
    status code = st_ok;
    const char* routine = nullptr;
};

// A failure as the layer that met it knows it: the code, the routine that gave it or the
// file it concerns, and for a failed write the system's own words.
struct fault {
    status code = st_ok;
    const char* routine = nullptr;
    std::string path;
    std::string reason;
};
