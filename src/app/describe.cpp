#include "app/describe.hpp"

#include "platform/disc.hpp"
#include "platform/file_facts.hpp"

#include <cstring>
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

// What a kind says, of the routine or file it concerns.
std::string what_failed(error_kind kind, const error& what, const std::string& context) {
    switch (kind) {
    case error_kind::name_too_long:
        return "a file name found on the disc is too long";
    case error_kind::no_match:
        return "no file on the disc matches the group's search";
    case error_kind::bad_drive:
        return "the drive letter typed is not a letter";
    case error_kind::file_not_found:
        return "cannot open " + context;
    case error_kind::unsupported:
        return context + " does not handle this data";
    case error_kind::bad_argument:
        return context + " was given an argument out of range or data that does not fit";
    case error_kind::no_memory:
        return "no memory could be had in " + context;
    case error_kind::bad_reference:
        return "a back-reference points before the start of the data in " + context;
    case error_kind::overrun:
        return "the data would run past the end of its area in " + context;
    case error_kind::read_failed:
        return "cannot read " + context;
    case error_kind::write_failed:
        return "cannot write " + (what.path.empty() ? context : what.path);
    case error_kind::wrong_size:
        return context + " is shorter than its picture needs";
    case error_kind::wrong_depth:
        return "the table holds cells of a depth its pictures cannot take";
    case error_kind::looping_link:
    case error_kind::not_a_file:
    case error_kind::no_access:
    case error_kind::no_medium:
    case error_kind::unreadable:
    case error_kind::unopenable:
    case error_kind::not_an_image:
    case error_kind::sheet_too_large:
    case error_kind::no_data_track:
    case error_kind::utf16_sheet:
    case error_kind::nul_in_sheet:
    case error_kind::track_past_end:
    case error_kind::no_drive:
    case error_kind::format_left_out:
    case error_kind::parent_needed:
    case error_kind::unsupported_image:
    case error_kind::damaged_image:
        return describe_source_error(what);
    case error_kind::other:
        break;
    }
    return "failure " + std::to_string(code_of(kind)) + " in " + context;
}

// The pictures a group's cells are for, as a depth's cause names them.
const char* pictures_of(const char* group) {
    if (group != nullptr && std::strcmp(group, "events") == 0) {
        return "the event screens";
    }
    if (group != nullptr && std::strcmp(group, "endings") == 0) {
        return "the ending screens";
    }
    return "the cell-map pictures";
}

} // namespace

const char* context_of(const error& what) {
    return what.routine != nullptr ? what.routine : what.path.empty() ? nullptr : what.path.c_str();
}

std::string cause_of(const error& what, const char* group) {
    const auto figure = [&](int i) { return std::to_string(what.figures[i]); };
    switch (what.detail) {
    case error_detail::none:
        break;
    case error_detail::short_file:
        return figure(0) + " bytes, where the picture needs " + figure(1);
    case error_detail::cell_depth:
        return "cells of depth " + figure(0) + "; " + pictures_of(group) + " take " + figure(1);
    case error_detail::cell_depth_limit:
        return "cells of depth " + figure(0) + "; " + pictures_of(group) + " take " + figure(1) +
               " at most";
    case error_detail::table_too_small:
        return what.figures[0] == 1 ? "the table cannot be cut to the picture"
                                    : "the table cannot be cut to the pictures";
    case error_detail::named_pipe:
        return "Is a named pipe";
    case error_detail::socket:
        return "Is a socket";
    case error_detail::character_device:
        return "Is a character device";
    case error_detail::block_device:
        return "Is a block device";
    case error_detail::write_broke_off:
        return "the write failed";
    case error_detail::dangling_link:
    case error_detail::odd_file:
    case error_detail::track_file:
    case error_detail::folder:
    case error_detail::drive_letter:
    case error_detail::letter_folder:
    case error_detail::cut_short:
        break; // a source's details, part of its one line
    case error_detail::system_code:
        return system_code_reason(what.figures[0]);
    case error_detail::no_random_name:
        return "the system gave no random name (status " + figure(0) + ")";
    case error_detail::no_free_name:
        return "no temporary name is free";
    case error_detail::no_stream:
        return "cannot open the file";
    }
    if (what.system_error != 0) {
        return system_reason(what.system_error);
    }
    return what.library_text;
}

std::string cannot_open_folder(const std::string& path, const error& why) {
    const std::string cause = cause_of(why);
    const std::string text = "cannot open the output folder '" + path + "'";
    return cause.empty() ? text : text + ": " + cause;
}

std::string cannot_write_into_folder(const std::string& path, const error& why) {
    return "cannot write into the output folder '" + path + "': " + cause_of(why);
}

std::string describe(const failure_record& record) {
    const error& what = record.what;
    const std::string context = context_of(what) != nullptr ? context_of(what) : "the program";
    const std::string text = what_failed(what.kind, what, context);
    const std::string cause = cause_of(what, record.group);
    return cause.empty() ? text : text + ": " + cause;
}

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
        return "cannot open '" + e.path +
               "': " + system_code_reason(static_cast<std::uint64_t>(e.system_error));
    case error_kind::unreadable:
        return e.detail == error_detail::folder ? "cannot read the folder '" + e.path + "'"
                                                : e.path + " cannot be read";
    case error_kind::track_past_end:
        return e.path + " starts its data track at byte " + std::to_string(e.figures[0]) + " of " +
               e.subject + ", which ends at byte " + std::to_string(e.figures[1]);
    case error_kind::no_drive:
        return no_drive(e);
    case error_kind::format_left_out:
        return e.path + " is a " + e.subject + " image, and " + e.subject +
               " images are left out of this build of the program";
    case error_kind::parent_needed:
        return e.path + " is a " + e.subject +
               " image that holds only what differs from its parent image, which this program "
               "does not read";
    case error_kind::unsupported_image:
        return e.path + " is a " + e.subject + " image of a kind this program does not read";
    case error_kind::damaged_image:
        return e.detail == error_detail::cut_short
                   ? e.path + " is cut short: its tables reach to byte " +
                         std::to_string(e.figures[0]) + ", the file ends at byte " +
                         std::to_string(e.figures[1])
                   : e.path + " is a damaged " + e.subject + " image: its tables do not check";
    default:
        return e.path + " " + state_of(e.kind);
    }
}
