#include "app/describe.hpp"

#include "app/l10n.hpp"
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
    {error_kind::file_not_found, N_("is missing")},
    {error_kind::looping_link, N_("is a link that leads round in a loop")},
    {error_kind::not_a_file, N_("is not a file")},
    {error_kind::no_access, N_("may not be read")},
    {error_kind::no_medium, N_("holds no disc")},
};

// What is said of a file an image cannot be read from, after its name.
constexpr kind_words image_states[] = {
    {error_kind::not_an_image, N_("is a file, but no disc image this program can read")},
    {error_kind::sheet_too_large, N_("is larger than any CUE sheet")},
    {error_kind::no_data_track, N_("has no data track")},
    {error_kind::utf16_sheet,
     N_("is a CUE sheet in UTF-16, which this program does not read: UTF-8 or ASCII needed")},
    {error_kind::nul_in_sheet, N_("is a CUE sheet with a NUL byte in it")},
};

struct detail_words {
    error_detail detail;
    const char* words;
};

// What stands at a place that holds no disc, after its name.
constexpr detail_words odd_entries[] = {
    {error_detail::named_pipe, N_("is a pipe")},
    {error_detail::character_device, N_("is a character device")},
    {error_detail::socket, N_("is a socket")},
    {error_detail::odd_file, N_("is no file")},
};

const char* words_of(error_kind kind, std::span<const kind_words> table) {
    for (const kind_words& row : table) {
        if (row.kind == kind) {
            return _(row.words);
        }
    }
    return nullptr;
}

const char* state_of(error_kind kind) {
    const char* words = words_of(kind, file_states);
    return words != nullptr ? words : _("cannot be read");
}

std::string no_drive(const error& e) {
    if (e.detail != error_detail::drive_letter && e.detail != error_detail::letter_folder) {
        return formatted(_("drive %s holds nothing that can be read"), e.path.c_str());
    }
    const std::string letter(1, static_cast<char>(e.figures[0]));
    std::string line = formatted(_("no drive %s: here: neither %s nor %s exists"), letter.c_str(),
                                 e.path.c_str(), e.subject.c_str());
    if (e.detail == error_detail::letter_folder) {
        line += formatted(_(" (the folder %s is written ./%s)"), letter.c_str(), letter.c_str());
    }
    return line;
}

// What a kind says, of the routine or file it concerns.
std::string what_failed(error_kind kind, const error& what, const std::string& context) {
    switch (kind) {
    case error_kind::name_too_long:
        return _("a file name found on the disc is too long");
    case error_kind::no_match:
        return _("no file on the disc matches the group's search");
    case error_kind::bad_drive:
        return _("the drive letter typed is not a letter");
    case error_kind::file_not_found:
        return formatted(_("cannot open %s"), context.c_str());
    case error_kind::unsupported:
        return formatted(_("%s does not handle this data"), context.c_str());
    case error_kind::bad_argument:
        return formatted(_("%s was given an argument out of range or data that does not fit"),
                         context.c_str());
    case error_kind::no_memory:
        return formatted(_("no memory could be had in %s"), context.c_str());
    case error_kind::bad_reference:
        return formatted(_("a back-reference points before the start of the data in %s"),
                         context.c_str());
    case error_kind::overrun:
        return formatted(_("the data would run past the end of its area in %s"), context.c_str());
    case error_kind::read_failed:
        return formatted(_("cannot read %s"), context.c_str());
    case error_kind::write_failed:
        return formatted(_("cannot write %s"), (what.path.empty() ? context : what.path).c_str());
    case error_kind::wrong_size:
        return formatted(_("%s is shorter than its picture needs"), context.c_str());
    case error_kind::wrong_depth:
        return _("the table holds cells of a depth its pictures cannot take");
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
    return formatted(_("failure %d in %s"), static_cast<int>(code_of(kind)), context.c_str());
}

// The pictures a group's cells are for, as a depth's cause names them.
const char* pictures_of(const char* group) {
    if (group != nullptr && std::strcmp(group, "events") == 0) {
        return _("the event screens");
    }
    if (group != nullptr && std::strcmp(group, "endings") == 0) {
        return _("the ending screens");
    }
    return _("the cell-map pictures");
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
        return formatted(_("%s bytes, where the picture needs %s"), figure(0).c_str(),
                         figure(1).c_str());
    case error_detail::cell_depth:
        return formatted(_("cells of depth %s; %s take %s"), figure(0).c_str(), pictures_of(group),
                         figure(1).c_str());
    case error_detail::cell_depth_limit:
        return formatted(_("cells of depth %s; %s take %s at most"), figure(0).c_str(),
                         pictures_of(group), figure(1).c_str());
    case error_detail::table_too_small:
        return what.figures[0] == 1 ? _("the table cannot be cut to the picture")
                                    : _("the table cannot be cut to the pictures");
    case error_detail::named_pipe:
        return _("Is a named pipe");
    case error_detail::socket:
        return _("Is a socket");
    case error_detail::character_device:
        return _("Is a character device");
    case error_detail::block_device:
        return _("Is a block device");
    case error_detail::write_broke_off:
        return _("the write failed");
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
        return formatted(_("the system gave no random name (status %s)"), figure(0).c_str());
    case error_detail::no_free_name:
        return _("no temporary name is free");
    case error_detail::no_stream:
        return _("cannot open the file");
    }
    if (what.system_error != 0) {
        return system_reason(what.system_error);
    }
    return what.library_text;
}

std::string cannot_open_folder(const std::string& path, const error& why) {
    const std::string cause = cause_of(why);
    return cause.empty() ? formatted(_("cannot open the output folder '%s'"), path.c_str())
                         : formatted(_("cannot open the output folder '%s': %s"), path.c_str(),
                                     cause.c_str());
}

std::string cannot_write_into_folder(const std::string& path, const error& why) {
    return formatted(_("cannot write into the output folder '%s': %s"), path.c_str(),
                     cause_of(why).c_str());
}

std::string describe(const failure_record& record) {
    const error& what = record.what;
    const std::string context = context_of(what) != nullptr ? context_of(what) : _("the program");
    const std::string text = what_failed(what.kind, what, context);
    const std::string cause = cause_of(what, record.group);
    return cause.empty() ? text : formatted(_("%s: %s"), text.c_str(), cause.c_str());
}

std::string describe_source_error(const error& e) {
    if (e.detail == error_detail::track_file) {
        return formatted(_("%s names %s, which %s"), e.path.c_str(), e.subject.c_str(),
                         state_of(e.kind));
    }
    for (const detail_words& row : odd_entries) {
        if (e.kind == error_kind::not_a_file && e.detail == row.detail) {
            return formatted(_("%s %s, neither a folder nor a disc image"), e.path.c_str(),
                             _(row.words));
        }
    }
    if (const char* words = words_of(e.kind, image_states)) {
        return formatted(_("%s %s"), e.path.c_str(), words);
    }
    switch (e.kind) {
    case error_kind::file_not_found:
        return formatted(e.detail == error_detail::dangling_link ? _("%s is a link to nothing")
                                                                 : _("cannot find '%s'"),
                         e.path.c_str());
    case error_kind::unopenable:
        return formatted(_("cannot open '%s': %s"), e.path.c_str(),
                         system_code_reason(static_cast<std::uint64_t>(e.system_error)).c_str());
    case error_kind::unreadable:
        return formatted(e.detail == error_detail::folder ? _("cannot read the folder '%s'")
                                                          : _("%s cannot be read"),
                         e.path.c_str());
    case error_kind::track_past_end:
        return formatted(_("%s starts its data track at byte %s of %s, which ends at byte %s"),
                         e.path.c_str(), std::to_string(e.figures[0]).c_str(), e.subject.c_str(),
                         std::to_string(e.figures[1]).c_str());
    case error_kind::no_drive:
        return no_drive(e);
    case error_kind::format_left_out:
        return formatted(_("%s is a %s image, and %s images are left out of this build of the "
                           "program"),
                         e.path.c_str(), e.subject.c_str(), e.subject.c_str());
    case error_kind::parent_needed:
        return formatted(_("%s is a %s image that holds only what differs from its parent image, "
                           "which this program does not read"),
                         e.path.c_str(), e.subject.c_str());
    case error_kind::unsupported_image:
        return formatted(_("%s is a %s image of a kind this program does not read"), e.path.c_str(),
                         e.subject.c_str());
    case error_kind::damaged_image:
        return e.detail == error_detail::cut_short
                   ? formatted(_("%s is cut short: its tables reach to byte %s, the file ends at "
                                 "byte %s"),
                               e.path.c_str(), std::to_string(e.figures[0]).c_str(),
                               std::to_string(e.figures[1]).c_str())
                   : formatted(_("%s is a damaged %s image: its tables do not check"),
                               e.path.c_str(), e.subject.c_str());
    default:
        return formatted(_("%s %s"), e.path.c_str(), state_of(e.kind));
    }
}
