#include "platform/terminal.hpp"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <unistd.h>

console_encoding terminal_encoding() {
    if (isatty(STDOUT_FILENO) == 0) {
        return console_encoding::shift_jis;
    }
    // The user's locale is asked, then the program's own is put back: nothing else of the
    // program may change with it.
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string kept = previous != nullptr ? previous : "C";
    bool utf8 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    }
    std::setlocale(LC_CTYPE, kept.c_str());
    return utf8 ? console_encoding::utf8 : console_encoding::shift_jis;
}
