#include "app/errormes.hpp"

#include "app/texts.hpp"
#include "platform/console.hpp"

namespace {

struct message {
    status code;
    japanese_text text;
    const char* tail; // printf format; the codes of the context band take one %s
};

constexpr char line_end[] = "\n";
constexpr char file_tail[] = "> %s\n";
constexpr char routine_tail[] = "in %s\n";

constexpr message messages[] = {
    {err_name_too_long, text_name_too_long, line_end},
    {err_no_file, text_no_file, line_end},
    {err_bad_drive, text_bad_drive, line_end},
    {err_open, text_not_found, file_tail},
    {err_unsupported, text_unsupported, file_tail},
    {err_argument, text_bad_argument, routine_tail},
    {err_memory, text_no_memory, routine_tail},
    {err_reference, text_bad_reference, routine_tail},
    {err_overrun, text_overrun, routine_tail},
    {err_read, text_read_failed, routine_tail},
    {err_write, text_write_failed, routine_tail},
};

const message* message_of(status code) {
    for (const message& m : messages) {
        if (m.code == code) {
            return &m;
        }
    }
    return nullptr;
}

} // namespace

status errormes(status code, const char* context) {
    if (code >= st_reported) {
        return code;
    }
    con_puts("Error!  ");
    const message* m = message_of(code);
    if (code > err_context_band) {
        // Codes of this band are reported without a context: one without a text of its own
        // has nothing to print after the prefix.
        if (m != nullptr) {
            con_puts(m->text);
            con_puts(m->tail);
        }
        return st_reported;
    }
    if (context == nullptr) {
        return errormes(err_argument, "errormes");
    }
    // A context-band code without a text of its own still names its context.
    if (m != nullptr) {
        con_puts(m->text);
    }
    con_printf(m != nullptr ? m->tail : routine_tail, context);
    return st_reported;
}
