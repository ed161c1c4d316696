// The text of the files that describe an image (a CUE sheet, a CloneCD control file): lines
// with any line end, words compared as their tools compare them, numbers in decimal.
#pragma once

#include "core/ascii.hpp"

#include <cstdint>
#include <string_view>

inline bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The words are one, without regard to case.
inline bool same_word(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The next line, without its end: CR, LF or CR LF.
inline std::string_view next_line(std::string_view& text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == text.npos) {
        text = {};
    } else {
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

// The text without the blanks around it.
inline std::string_view without_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal number of at most six digits: no disc has more sectors or frames.
inline bool parse_number(std::string_view digits, std::uint32_t& value) {
    constexpr std::size_t most_digits = 6;
    if (digits.empty() || digits.size() > most_digits) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return true;
}
