#include "platform/console.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

console_encoding encoding = console_encoding::shift_jis;
bool quiet = false;

// A line that has ended goes out now; an open one waits for its end.
void flush_ended_line(const char* text) {
    if (std::strchr(text, '\n') != nullptr) {
        std::fflush(stdout);
    }
}

} // namespace

void con_printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    flush_ended_line(format);
}

void con_puts(const char* text) {
    std::fputs(text, stdout);
    flush_ended_line(text);
}

void con_puts(const japanese_text& text) {
    con_puts(encoding == console_encoding::utf8 ? text.utf8 : text.shift_jis);
}

int con_getc() {
    return std::getchar();
}

void con_flush() {
    std::fflush(stdout);
}

void con_done(const char* name) {
    if (!quiet) {
        con_printf("done > %s\n", name);
    }
}

void con_set_encoding(console_encoding chosen) {
    encoding = chosen;
}

void con_set_quiet(bool chosen) {
    quiet = chosen;
}
