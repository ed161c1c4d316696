// Text from the user or the system, made safe to show on one line of a terminal.
#pragma once

#include <string>
#include <string_view>

// The text with every control character written as an escape (\n, \t, \x1b), as ls shows
// names: C0 codes, DEL, C1 codes in their UTF-8 form and the bytes 0x80 to 0x9F outside a
// UTF-8 character, and the controls that turn text around (U+202A to U+202E, U+2066 to
// U+2069), each of their bytes as \xNN. Everything else stays as it is: valid UTF-8, and
// the bytes of other encodings above 0x9F.
std::string escaped(std::string_view text);

// The length of the valid UTF-8 sequence at text's start (not empty), of two bytes or more,
// and the character it writes; 0 when there is none: a byte below 0x80, a stray or overlong
// form, a surrogate, or a sequence cut short.
unsigned utf8_sequence(std::string_view text, char32_t& code);
