// What the user's terminal shows: the encoding the program's Japanese texts go out in.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Shift-JIS, as the console the program was made for shows it; UTF-8; or the locale's own
// character set, the texts converted into it.
enum class console_encoding { shift_jis, utf8, converted };

struct text_encoding {
    console_encoding encoding = console_encoding::shift_jis;
    std::string charset; // for converted: the character set to convert into
};

// How the user's locale writes text, whether or not standard output is a terminal: UTF-8
// for a UTF-8 character set; Shift-JIS for the C locale, a Shift-JIS set and any set that
// cannot carry Japanese; converted for another that can (EUC-JP). Windows keeps its
// console's code page: Shift-JIS.
text_encoding locale_encoding();

// Whether the stream goes to a terminal.
bool is_terminal(std::FILE* stream);

// A standard stream the program was started without (closed by the shell, >&-) is held by a
// file that refuses writes: no file the run opens takes its number and gets its lines, and
// what is written there fails as it would on the closed stream.
void hold_standard_streams();

// Writes UTF-8 text onto a Windows console as UTF-16, so that it shows whatever the console's
// code page; false where the stream is no console (redirected; every stream on POSIX), which
// then takes the text's bytes.
bool write_console_text(std::FILE* stream, std::string_view utf8);

// The language of the system's user interface, as a locale names it ("ja_JP"); empty where
// the system has none apart from the locale (POSIX).
std::string user_interface_language();

// UTF-8 text in charset, through the C library's converter; empty when it cannot be.
std::string convert_text(std::string_view utf8, const std::string& charset);
