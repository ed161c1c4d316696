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
    // Why a source is no disc: what stands at its path, and what its image holds.
    looping_link,    // a link that leads, through others, back to itself
    not_a_file,      // a folder, a pipe, a device where a file was wanted
    no_access,       // the user may not read it
    no_medium,       // a drive with no disc in it, a device of no size
    unreadable,      // the system could not open or read it
    unopenable,      // the system would not look at the path (a name too long, say)
    not_an_image,    // a file, but of no disc image format this program reads
    sheet_too_large, // figures: the sheet's size, the largest sheet read
    no_data_track,   // a sheet of audio tracks alone
    utf16_sheet,     // a sheet in UTF-16, whose text is not read
    nul_in_sheet,    // a NUL byte, which no sheet's text holds
    track_past_end,  // figures: where the sheet starts its track, where the file ends
    no_drive,        // nothing at the places a drive letter stands for
    // An image of a format this build reads only with libraries it was built without;
    // subject: the format's name, as for the kinds below.
    format_left_out,
    parent_needed,     // an image that holds only what differs from a parent image
    unsupported_image, // an image of the format, but of a version or kind not read
    damaged_image,     // an image whose own tables do not check (detail cut_short: its end)
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
    {error_kind::looping_link, st_ok, "looping_link"},
    {error_kind::not_a_file, st_ok, "not_a_file"},
    {error_kind::no_access, st_ok, "no_access"},
    {error_kind::no_medium, st_ok, "no_medium"},
    {error_kind::unreadable, st_ok, "unreadable"},
    {error_kind::unopenable, st_ok, "unopenable"},
    {error_kind::not_an_image, st_ok, "not_an_image"},
    {error_kind::sheet_too_large, st_ok, "sheet_too_large"},
    {error_kind::no_data_track, st_ok, "no_data_track"},
    {error_kind::utf16_sheet, st_ok, "utf16_sheet"},
    {error_kind::nul_in_sheet, st_ok, "nul_in_sheet"},
    {error_kind::track_past_end, st_ok, "track_past_end"},
    {error_kind::no_drive, st_ok, "no_drive"},
    {error_kind::format_left_out, st_ok, "format_left_out"},
    {error_kind::parent_needed, st_ok, "parent_needed"},
    {error_kind::unsupported_image, st_ok, "unsupported_image"},
    {error_kind::damaged_image, st_ok, "damaged_image"},
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
    dangling_link,   // file_not_found: the path is a link to nothing
    odd_file,        // not_a_file: of a type the system has no common name for
    track_file,      // the file a sheet names: path is the sheet, subject the name it gives
    folder,          // a folder the disc was to be read from
    drive_letter,    // no_drive: figures[0] is the letter; path and subject the places
    letter_folder,   // the same, and a folder of the letter's name is here
    system_code,     // figures: the system's own error code, where it is no errno (Windows)
    no_random_name,  // figures: the status of the random source that gave no temporary name
    no_free_name,    // every temporary name tried was taken
    no_stream,       // the file was made but could not be opened as a stream
    cut_short,       // an image: figures: the bytes its tables reach to, the bytes it holds
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
    std::string subject; // a second name the message gives (a file a sheet names)
};

// A value, or the error that stopped it: what a routine that can fail hands back. E is error
// below the program's edge; the edge's own checks carry the line they will print.
template <class T, class E = error> class [[nodiscard]] result {
  public:
    result(T value) : value_(std::move(value)) {}
    result(E failure) : failure_(std::move(failure)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T& operator*() const { return *value_; }
    T& operator*() { return *value_; }
    const T* operator->() const { return &*value_; }
    // Only where it failed.
    const E& failure() const { return *failure_; }
    E& failure() { return *failure_; }

  private:
    // Success costs no error: a byte sink's every write hands one back.
    std::optional<T> value_;
    std::optional<E> failure_;
};

template <class E> class [[nodiscard]] result<void, E> {
  public:
    result() = default;
    result(E failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only where it failed.
    const E& failure() const { return *failure_; }
    E& failure() { return *failure_; }

  private:
    std::optional<E> failure_;
};
