// Status codes and the one routine that reports them.
#pragma once

#include <cstdint>

// Every routine returns one of these: zero or more is success (often a byte count),
// -1 is a failure already reported, -2 and below are codes with a message.
using status = std::int32_t;

constexpr status st_ok = 0;
constexpr status st_reported = -1;

// Codes from -199 to -2 are reported without a context name.
constexpr status err_name_too_long = -102;
constexpr status err_no_file = -104;
constexpr status err_bad_drive = -105;
// Codes of -200 and below name a context: a routine, or a path for err_open.
constexpr status err_context_band = -200;
constexpr status err_open = -201;
constexpr status err_unsupported = -202;
constexpr status err_argument = -501;
constexpr status err_memory = -503;
constexpr status err_reference = -504;
constexpr status err_overrun = -505;
constexpr status err_read = -601;
constexpr status err_write = -602;

// Prints the message of an error code after "Error!  " and returns -1; hands back
// -1 and every success value unchanged without printing, so one expression both
// reports a result and tests it.
status errormes(status code, const char* context);
