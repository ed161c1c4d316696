#include "app/describe.hpp"

#include "platform/file_facts.hpp"

#include <cstring>

namespace {

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
