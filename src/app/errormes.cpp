#include "app/errormes.hpp"

#include "app/shown.hpp"
#include "app/texts.hpp"

namespace {

constexpr status st_reported = -1;
constexpr char error_prefix[] = "Error!  ";
constexpr char line_end[] = "\n";
constexpr char routine_context[] = "errormes";

// What follows a text: the line end alone, or a file's path or a routine's name first.
enum class tail { none, file, routine };

constexpr const char* lead_of(tail t) {
    return t == tail::file ? "> " : t == tail::none ? "" : "in ";
}

struct message {
    status code;
    japanese_text text;
    tail after;
};

constexpr message messages[] = {
    {err_name_too_long, text_name_too_long, tail::none},
    {err_no_file, text_no_file, tail::none},
    {err_bad_drive, text_bad_drive, tail::none},
    {err_open, text_not_found, tail::file},
    {err_unsupported, text_unsupported, tail::file},
    {err_argument, text_bad_argument, tail::routine},
    {err_memory, text_no_memory, tail::routine},
    {err_reference, text_bad_reference, tail::routine},
    {err_overrun, text_overrun, tail::routine},
    {err_read, text_read_failed, tail::routine},
    {err_write, text_write_failed, tail::routine},
};

const message* message_of(status code) {
    for (const message& m : messages) {
        if (m.code == code) {
            return &m;
        }
    }
    return nullptr;
}

const char* in_encoding(const japanese_text& text, console_encoding encoding) {
    return encoding == console_encoding::utf8 ? text.utf8 : text.shift_jis;
}

} // namespace

status errormes(console& con, status code, const char* context) {
    if (code >= st_reported) {
        return code;
    }
    con.puts(error_prefix);
    const message* m = message_of(code);
    if (code > err_context_band) {
        // Codes of this band are reported without a context: one without a text of its own
        // has nothing to print after the prefix.
        if (m != nullptr) {
            con.puts(m->text);
            con.puts(line_end);
        }
        return st_reported;
    }
    if (context == nullptr) {
        return errormes(con, err_argument, routine_context);
    }
    // A context-band code without a text of its own still names its context.
    if (m != nullptr) {
        con.puts(m->text);
    }
    con.printf("%s%s\n", lead_of(m != nullptr ? m->after : tail::routine),
               con.escapes() ? escaped(context).c_str() : context);
    return st_reported;
}

const char* context_of(const fault& what) {
    return what.routine != nullptr ? what.routine : what.path.empty() ? nullptr : what.path.c_str();
}

std::string english_reason(const failure_record& record) {
    const fault& what = record.what;
    const std::string context = context_of(what) != nullptr ? context_of(what) : "the program";
    std::string text;
    switch (record.kind) {
    case failure_kind::name_too_long:
        text = "a file name found on the disc is too long";
        break;
    case failure_kind::no_match:
        text = "no file on the disc matches the group's search";
        break;
    case failure_kind::bad_drive:
        text = "the drive letter typed is not a letter";
        break;
    case failure_kind::file_not_found:
        text = "cannot open " + context;
        break;
    case failure_kind::unsupported:
        text = context + " does not handle this data";
        break;
    case failure_kind::bad_argument:
        text = context + " was given an argument out of range or data that does not fit";
        break;
    case failure_kind::no_memory:
        text = "no memory could be had in " + context;
        break;
    case failure_kind::bad_reference:
        text = "a back-reference points before the start of the data in " + context;
        break;
    case failure_kind::overrun:
        text = "the data would run past the end of its area in " + context;
        break;
    case failure_kind::read_failed:
        text = "cannot read " + context;
        break;
    case failure_kind::write_failed:
        text = "cannot write " + (what.path.empty() ? context : what.path);
        break;
    case failure_kind::wrong_size:
        text = context + " is shorter than its picture needs";
        break;
    case failure_kind::wrong_depth:
        text = "the table holds cells of a depth its pictures cannot take";
        break;
    case failure_kind::other:
        text = "failure " + std::to_string(what.code) + " in " + context;
        break;
    }
    return what.reason.empty() ? text : text + ": " + what.reason;
}

std::string message_text(status code, const char* context, console_encoding encoding) {
    const message* m = message_of(code);
    std::string text = m != nullptr ? in_encoding(m->text, encoding) : "";
    if (code > err_context_band) {
        return text;
    }
    if (context == nullptr) {
        return message_text(err_argument, routine_context, encoding);
    }
    return text + lead_of(m != nullptr ? m->after : tail::routine) + context;
}
