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

// What went wrong, by kind: one stable name each, for scripts (the manifest). The codes map
// onto the first kinds; a failure the console has no line for has a kind of its own.
enum class failure_kind {
    name_too_long,  // -102
    no_match,       // -104: no file on the disc matches a search
    bad_drive,      // -105
    file_not_found, // -201
    unsupported,    // -202
    bad_argument,   // -501
    no_memory,      // -503
    bad_reference,  // -504
    overrun,        // -505
    read_failed,    // -601
    write_failed,   // -602
    other,          // a code without a meaning of its own
    wrong_size,     // a disc file shorter than its picture needs
    wrong_depth,    // cells of a depth the picture cannot take
};

struct failure_kind_name {
    failure_kind kind;
    status code; // st_ok for the kinds no code stands for
    const char* name;
};

constexpr failure_kind_name failure_kinds[] = {
    {failure_kind::name_too_long, err_name_too_long, "name_too_long"},
    {failure_kind::no_match, err_no_file, "no_match"},
    {failure_kind::bad_drive, err_bad_drive, "bad_drive"},
    {failure_kind::file_not_found, err_open, "file_not_found"},
    {failure_kind::unsupported, err_unsupported, "unsupported"},
    {failure_kind::bad_argument, err_argument, "bad_argument"},
    {failure_kind::no_memory, err_memory, "no_memory"},
    {failure_kind::bad_reference, err_reference, "bad_reference"},
    {failure_kind::overrun, err_overrun, "overrun"},
    {failure_kind::read_failed, err_read, "read_failed"},
    {failure_kind::write_failed, err_write, "write_failed"},
    {failure_kind::other, st_ok, "other"},
    {failure_kind::wrong_size, st_ok, "wrong_size"},
    {failure_kind::wrong_depth, st_ok, "wrong_depth"},
};

constexpr failure_kind kind_of(status code) {
    for (const failure_kind_name& k : failure_kinds) {
        if (k.code == code && code != st_ok) {
            return k.kind;
        }
    }
    return failure_kind::other;
}

constexpr const char* name_of(failure_kind kind) {
    for (const failure_kind_name& k : failure_kinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return "other";
}

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
