#include "platform/terminal.hpp"

#include <io.h>

// The console shows the Japanese texts in its code page, as it always has.
text_encoding locale_encoding() {
    return {console_encoding::shift_jis, {}};
}

std::string convert_text(std::string_view, const std::string&) {
    return {};
}

bool is_terminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void hold_standard_streams() {
    // A Windows program's handles are numbered apart from its files' descriptors.
}
