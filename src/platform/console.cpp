#include "platform/console.hpp"

#include <cstdarg>
#include <cstdio>

void con_printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void con_puts(const char* text) {
    std::fputs(text, stdout);
}

int con_getc() {
    return std::getchar();
}

void con_flush() {
    std::fflush(stdout);
}
