#include "platform/terminal.hpp"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

namespace {

constexpr char utf8_charset[] = "UTF-8";
constexpr char ascii_charset[] = "ANSI_X3.4-1968"; // the C locale's
// Character sets whose Japanese is Shift-JIS, byte for byte as the program keeps it.
constexpr std::array<const char*, 5> shift_jis_charsets = {"SHIFT_JIS", "SHIFT-JIS", "SJIS",
                                                           "CP932", "WINDOWS-31J"};
// A Japanese text to try a character set with.
constexpr char japanese_sample[] = "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab";

bool same_name(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

// The locale that decides the character set, as the environment names it.
std::string locale_name() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "C";
}

// The character set a locale's name gives away ("C", "POSIX", "xx_YY.UTF-8"); empty when
// only the locale itself can tell. Reading the name spares loading the locale's tables.
std::string charset_in_name(const std::string& name) {
    if (name == "C" || name == "POSIX") {
        return ascii_charset;
    }
    const std::size_t dot = name.find('.');
    const std::string codeset =
        dot == std::string::npos ? std::string() : name.substr(dot + 1, name.find('@') - dot - 1);
    return same_name(codeset.c_str(), "UTF-8") || same_name(codeset.c_str(), "UTF8") ? "UTF-8" : "";
}

// The character set of the user's locale. The locale is asked, then the program's own is
// put back: nothing else of the program may change with it.
std::string locale_charset() {
    if (std::string named = charset_in_name(locale_name()); !named.empty()) {
        return named;
    }
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string kept = previous != nullptr ? previous : "C";
    std::string charset;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        charset = nl_langinfo(CODESET);
    }
    std::setlocale(LC_CTYPE, kept.c_str());
    return charset;
}

} // namespace

text_encoding locale_encoding() {
    const std::string charset = locale_charset();
    if (same_name(charset.c_str(), utf8_charset) || same_name(charset.c_str(), "UTF8")) {
        return {console_encoding::utf8, {}};
    }
    for (const char* sjis : shift_jis_charsets) {
        if (same_name(charset.c_str(), sjis)) {
            return {console_encoding::shift_jis, {}};
        }
    }
    // The C locale's ASCII, and a set with no room for Japanese, keep the program's bytes.
    if (charset.empty() || same_name(charset.c_str(), ascii_charset) ||
        convert_text(japanese_sample, charset).empty()) {
        return {console_encoding::shift_jis, {}};
    }
    return {console_encoding::converted, charset};
}

std::string convert_text(std::string_view utf8, const std::string& charset) {
    const iconv_t converter = iconv_open(charset.c_str(), utf8_charset);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string in(utf8);
    // No character set spends more than four bytes on one of these.
    std::string out(4 * in.size() + 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t from_left = in.size();
    std::size_t to_left = out.size();
    const bool converted =
        iconv(converter, &from, &from_left, &to, &to_left) != static_cast<std::size_t>(-1) &&
        iconv(converter, nullptr, nullptr, &to, &to_left) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!converted) {
        return {};
    }
    out.resize(out.size() - to_left);
    return out;
}

bool write_console_text(std::FILE*, std::string_view) {
    return false; // a terminal takes the locale's bytes
}

std::string user_interface_language() {
    return {};
}

bool is_terminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void hold_standard_streams() {
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(stream, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number: this one. Read only, so writes to it fail.
            const int held = open("/dev/null", O_RDONLY);
            if (held >= 0 && held != stream) {
                close(held);
            }
        }
    }
}
