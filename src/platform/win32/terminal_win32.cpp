#include "platform/terminal.hpp"

// The console shows the Japanese texts in its code page, as it always has.
console_encoding terminal_encoding() {
    return console_encoding::shift_jis;
}
