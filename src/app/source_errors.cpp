#include "app/source_errors.hpp"

#include "platform/disc.hpp"

#include <span>

namespace {

struct kind_words {
    error_kind kind;
    const char* words;
};

// What is said of a file in a state, after its name: "track.bin is missing".
constexpr kind_words file_states[] = {
    {error_kind::file_not_found, "is missing"},
    {error_kind::looping_link, "is a link that leads round in a loop"},
    {error_kind::not_a_file, "is not a file"},
    {error_kind::no_access, "may not be read"},
    {error_kind::no_medium, "holds no disc"},
};

// What is said of a file an image cannot be read from, after its name.
constexpr kind_words image_states[] = {
    {error_kind::not_an_image, "is a file, but no disc image this program can read"},
    {error_kind::sheet_too_large, "is larger than any CUE sheet"},
    {error_kind::no_data_track, "has no data track"},
    {error_kind::utf16_sheet,
     "is a CUE sheet in UTF-16, which this program does not read: UTF-8 or ASCII needed"},
    {error_kind::nul_in_sheet, "is a CUE sheet with a NUL byte in it"},
};

struct detail_words {
    error_detail detail;
    const char* words;
};

// What stands at a place that holds no disc, after its name.
constexpr detail_words odd_entries[] = {
    {error_detail::named_pipe, "is a pipe"},
    {error_detail::character_device, "is a character device"},
    {error_detail::socket, "is a socket"},
    {error_detail::odd_file, "is no file"},
};

const char* words_of(error_kind kind, std::span<const kind_words> table) {
    for (const kind_words& row : table) {
        if (row.kind == kind) {
            return row.words;
        }
    }
    return nullptr;
}

const char* state_of(error_kind kind) {
    const char* words = words_of(kind, file_states);
    return words != nullptr ? words : "cannot be read";
}

std::string no_drive(const error& e) {
    if (e.detail != error_detail::drive_letter && e.detail != error_detail::letter_folder) {
        return "drive " + e.path + " holds nothing that can be read";
    }
    const std::string letter(1, static_cast<char>(e.figures[0]));
    std::string line =
        "no drive " + letter + ": here: neither " + e.path + " nor " + e.subject + " exists";
    if (e.detail == error_detail::letter_folder) {
        line += " (the folder " + letter + " is written ./" + letter + ")";
    }
    return line;
}

} // namespace

std::string describe_source_error(const error& e) {
    if (e.detail == error_detail::track_file) {
        return e.path + " names " + e.subject + ", which " + state_of(e.kind);
    }
    for (const detail_words& row : odd_entries) {
        if (e.kind == error_kind::not_a_file && e.detail == row.detail) {
            return e.path + " " + row.words + ", neither a folder nor a disc image";
        }
    }
    if (const char* words = words_of(e.kind, image_states)) {
        return e.path + " " + words;
    }
    switch (e.kind) {
    case error_kind::file_not_found:
        return e.detail == error_detail::dangling_link ? e.path + " is a link to nothing"
                                                       : "cannot find '" + e.path + "'";
    case error_kind::unopenable:
        return "cannot open '" + e.path + "': " + system_error_words(e.system_error);
    case error_kind::unreadable:
        return e.detail == error_detail::folder ? "cannot read the folder '" + e.path + "'"
                                                : e.path + " cannot be read";
    case error_kind::track_past_end:
        return e.path + " starts its data track at byte " + std::to_string(e.figures[0]) + " of " +
               e.subject + ", which ends at byte " + std::to_string(e.figures[1]);
    case error_kind::no_drive:
        return no_drive(e);
    default:
        return e.path + " " + state_of(e.kind);
    }
}
