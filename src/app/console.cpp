#include "app/console.hpp"

#include <cstdarg>
#include <cstring>

namespace {

// A line that has ended goes out now; an open one waits for its end.
void flush_ended_line(std::FILE* out, const char* text) {
    if (std::strchr(text, '\n') != nullptr) {
        std::fflush(out);
    }
}

} // namespace

void console::printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
    flush_ended_line(out_, format);
}

void console::puts(const char* text) {
    std::fputs(text, out_);
    flush_ended_line(out_, text);
}

void console::puts(const japanese_text& text) {
    puts(encoding_ == console_encoding::utf8 ? text.utf8 : text.shift_jis);
}

int console::getc() {
    return std::fgetc(in_);
}

void console::flush() {
    std::fflush(out_);
}
