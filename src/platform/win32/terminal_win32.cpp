#include "platform/terminal.hpp"

#include <climits>
#include <io.h>
#include <windows.h>

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

bool write_console_text(std::FILE* stream, std::string_view utf8) {
    const intptr_t handle = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    if (handle == -1 || GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) == 0) {
        return false;
    }
    if (utf8.empty()) {
        return true;
    }
    if (utf8.size() > INT_MAX) {
        return false;
    }
    const int length = static_cast<int>(utf8.size());
    const int wide_length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wide_length <= 0) {
        return false;
    }
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wide_length) !=
        wide_length) {
        return false;
    }
    // What the stream holds still goes out first.
    std::fflush(stream);
    DWORD written = 0;
    return WriteConsoleW(reinterpret_cast<HANDLE>(handle), wide.data(),
                         static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
}

std::string user_interface_language() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name,
                         LOCALE_NAME_MAX_LENGTH, 0) == 0) {
        return {};
    }
    // "ja-JP" as a locale's name writes it: "ja_JP".
    std::string language;
    for (const wchar_t* c = name; *c != L'\0'; ++c) {
        language += *c == L'-' ? '_' : static_cast<char>(*c);
    }
    return language;
}
