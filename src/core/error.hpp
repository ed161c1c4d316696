// What went wrong, as every layer hands it up: a kind, where it happened, and what the system
// or a library said. Nothing here has words for people; the program's edge (app/describe)
// turns an error into a console line, a standard error line or a manifest reason.
#pragma once

#include "core/status.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// What went wrong, by kind: one stable name each, for scripts (the manifest). The first kinds
// are the console's messages; a failure the console has no line for has a kind of its own.
enum class error_kind {
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

struct error_kind_row {
    error_kind kind;
    status code; // the console's message; st_ok for the kinds it has none for
    const char* name;
};

constexpr error_kind_row error_kinds[] = {
    {error_kind::name_too_long, err_name_too_long, "name_too_long"},
    {error_kind::no_match, err_no_file, "no_match"},
    {error_kind::bad_drive, err_bad_drive, "bad_drive"},
    {error_kind::file_not_found, err_open, "file_not_found"},
    {error_kind::unsupported, err_unsupported, "unsupported"},
    {error_kind::bad_argument, err_argument, "bad_argument"},
    {error_kind::no_memory, err_memory, "no_memory"},
    {error_kind::bad_reference, err_reference, "bad_reference"},
    {error_kind::overrun, err_overrun, "overrun"},
    {error_kind::read_failed, err_read, "read_failed"},
    {error_kind::write_failed, err_write, "write_failed"},
    {error_kind::other, st_ok, "other"},
    {error_kind::wrong_size, err_argument, "wrong_size"},
    {error_kind::wrong_depth, st_ok, "wrong_depth"},
};

constexpr const error_kind_row& row_of(error_kind kind) {
    for (const error_kind_row& row : error_kinds) {
        if (row.kind == kind) {
            return row;
        }
    }
    return error_kinds[static_cast<int>(error_kind::other)];
}

constexpr const char* name_of(error_kind kind) {
    return row_of(kind).name;
}

// The console message a kind stands for; st_ok when there is none.
constexpr status code_of(error_kind kind) {
    return row_of(kind).code;
}

// The kind a console message's code stands for; other for a code of no kind's own.
constexpr error_kind kind_of(status code) {
    for (const error_kind_row& row : error_kinds) {
        if (row.code == code && code != st_ok) {
            return row.kind;
        }
    }
    return error_kind::other;
}

// Why, beyond the kind, where the layer that met it knows more; figures carry its numbers.
enum class error_detail {
    none,
    short_file,       // figures: the bytes the file gave, the bytes the picture needs
    cell_depth,       // figures: the cells' depth, the one depth the pictures take
    cell_depth_limit, // figures: the cells' depth, the deepest the pictures take
    table_too_small,  // figures: the pictures the table was to be cut into
    named_pipe,       // a file of the kind stands where the picture goes
    socket,
    character_device,
    block_device,
    write_broke_off, // a write failed without the system's reason
};

struct error {
    error() = default;
    explicit error(error_kind k, const char* in = nullptr, std::string file = {}, int number = 0)
        : kind(k), routine(in), path(std::move(file)), system_error(number) {}

    error_kind kind = error_kind::other;
    const char* routine = nullptr; // the routine that met it, as messages name it
    std::string path;              // the file it concerns, as messages name it
    int system_error = 0;          // the system's error number (errno); 0 when none
    std::string library_text;      // a library's own words for it
    error_detail detail = error_detail::none;
    std::uint64_t figures[2] = {};
};

// A value, or the error that stopped it: what a routine that can fail hands back.
template <class T> class [[nodiscard]] result {
  public:
    result(T value) : value_(std::move(value)) {}
    result(error failure) : failure_(std::move(failure)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    const error& failure() const { return failure_; }
    error& failure() { return failure_; }

  private:
    std::optional<T> value_;
    error failure_;
};

template <> class [[nodiscard]] result<void> {
  public:
    result() = default;
    result(error failure) : ok_(false), failure_(std::move(failure)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const error& failure() const { return failure_; }
    error& failure() { return failure_; }

  private:
    bool ok_ = true;
    error failure_;
};
