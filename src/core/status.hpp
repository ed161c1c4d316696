// The codes of the console's error messages: the number each message stands for. Routines
// hand up an error (core/error.hpp); its kind gives the code.
#pragma once

#include <cstdint>

// A message's code: negative; 0 is success.
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
