#include "app/console.hpp"

#include "app/l10n.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstring>

void console::note(bool failed) {
    if (failed && write_error_ == 0) {
        write_error_ = errno != 0 ? errno : EIO;
    }
}

void console::printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    errno = 0;
    note(std::vfprintf(out_, format, args) < 0);
    va_end(args);
    // A line that has ended goes out now; an open one waits for its end.
    if (std::strchr(format, '\n') != nullptr) {
        flush();
    }
}

void console::puts(const char* text) {
    errno = 0;
    note(std::fputs(text, out_) == EOF);
    if (std::strchr(text, '\n') != nullptr) {
        flush();
    }
}

void console::puts(const japanese_text& text) {
    // The reader's language where a catalog has the text, else the program's own.
    const char* shown = _(text.utf8);
    if (write_console_text(out_, shown)) {
        return;
    }
    if (shown != text.utf8) {
        puts(shown); // in the console's encoding, as the catalogs are bound
        return;
    }
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
    errno = 0;
    note(std::fflush(out_) == EOF);
}
