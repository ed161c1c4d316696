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
    switch (encoding_.encoding) {
    case console_encoding::utf8:
        puts(text.utf8);
        return;
    case console_encoding::converted: {
        // A text the locale's set cannot hold goes out as the program keeps it.
        const std::string converted = convert_text(text.utf8, encoding_.charset);
        puts(converted.empty() ? text.shift_jis : converted.c_str());
        return;
    }
    case console_encoding::shift_jis:
        puts(text.shift_jis);
        return;
    }
}

int console::getc() {
    return std::fgetc(in_);
}

void console::flush() {
    std::fflush(out_);
}
