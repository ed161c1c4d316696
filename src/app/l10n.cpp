#include "app/l10n.hpp"

#include <cstdarg>
#include <cstdio>

std::string formatted(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.assign(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back(); // the NUL vsnprintf ends with
    }
    va_end(again);
    return text;
}
