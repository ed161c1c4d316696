#include "app/errormes.hpp"

#include "app/l10n.hpp"
#include "app/shown.hpp"
#include "app/texts.hpp"

namespace {

constexpr status st_reported = -1;
constexpr char error_prefix[] = N_("Error!  ");
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

// The text as the console shows it: translated, else in the given encoding.
const char* in_encoding(const japanese_text& text, console_encoding encoding) {
    const char* shown = _(text.utf8);
    return shown != text.utf8 || encoding == console_encoding::utf8 ? shown : text.shift_jis;
}

} // namespace

void errormes(console& con, status code, const char* context) {
    if (code >= st_reported) {
        return;
    }
    con.puts(_(error_prefix));
    const message* m = message_of(code);
    if (code > err_context_band) {
        // Codes of this band are reported without a context: one without a text of its own
        // has nothing to print after the prefix.
        if (m != nullptr) {
            con.puts(m->text);
            con.puts(line_end);
        }
        return;
    }
    if (context == nullptr) {
        errormes(con, err_argument, routine_context);
        return;
    }
    // A context-band code without a text of its own still names its context.
    if (m != nullptr) {
        con.puts(m->text);
    }
    con.printf("%s%s\n", lead_of(m != nullptr ? m->after : tail::routine),
               con.escapes() ? escaped(context).c_str() : context);
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
