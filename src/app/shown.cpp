#include "app/shown.hpp"

#include <array>

namespace {

constexpr unsigned char first_printable = 0x20;
constexpr unsigned char delete_code = 0x7F;
// 8-bit control codes: alone (0x9B is CSI to a terminal that reads them), or the C1 codes
// U+0080 to U+009F, which UTF-8 writes C2 80 to C2 9F.
constexpr unsigned char c1_first = 0x80;
constexpr unsigned char c1_last = 0x9F;
constexpr char32_t c1_code_last = 0x9F;
// The controls that turn the text after them around: embeddings and overrides, isolates.
constexpr std::array<std::array<char32_t, 2>, 2> bidi_controls = {{
    {0x202A, 0x202E},
    {0x2066, 0x2069},
}};
constexpr char hex_digits[] = "0123456789abcdef";

// UTF-8 by its lead byte: the sequence's length, the bits the lead carries, and the range
// its second byte must fall in (no overlong forms, no surrogates, nothing past U+10FFFF).
struct utf8_lead {
    unsigned char first;
    unsigned char last;
    unsigned length;
    unsigned char value_mask;
    unsigned char second_first;
    unsigned char second_last;
};
constexpr utf8_lead utf8_leads[] = {
    {0xC2, 0xDF, 2, 0x1F, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0x0F, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x0F, 0x80, 0xBF}, {0xED, 0xED, 3, 0x0F, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x0F, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x07, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x07, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x07, 0x80, 0x8F},
};
constexpr unsigned char continuation_first = 0x80;
constexpr unsigned char continuation_last = 0xBF;
constexpr unsigned char continuation_mask = 0x3F;
constexpr unsigned continuation_bits = 6;

void add_hex(std::string& out, unsigned char byte) {
    out += "\\x";
    out += hex_digits[byte >> 4];
    out += hex_digits[byte & 0xF];
}

} // namespace

unsigned utf8_sequence(std::string_view text, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[0]);
    for (const utf8_lead& form : utf8_leads) {
        if (lead < form.first || lead > form.last) {
            continue;
        }
        if (text.size() < form.length) {
            return 0;
        }
        code = lead & form.value_mask;
        for (unsigned i = 1; i < form.length; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            const unsigned char low = i == 1 ? form.second_first : continuation_first;
            const unsigned char high = i == 1 ? form.second_last : continuation_last;
            if (byte < low || byte > high) {
                return 0;
            }
            code = code << continuation_bits | (byte & continuation_mask);
        }
        return form.length;
    }
    return 0;
}

namespace {

// A character shown as its bytes: a C1 code, or a control that turns text around.
bool is_escaped_character(char32_t code) {
    if (code <= c1_code_last) {
        return true;
    }
    for (const auto& [first, last] : bidi_controls) {
        if (code >= first && code <= last) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = 0;
        const unsigned length = byte >= c1_first ? utf8_sequence(text.substr(i), code) : 0;
        if (length > 0) {
            const bool hidden = is_escaped_character(code);
            for (const char c : text.substr(i, length)) {
                if (hidden) {
                    add_hex(out, static_cast<unsigned char>(c));
                } else {
                    out += c;
                }
            }
            i += length;
            continue;
        }
        // A byte of 0x80 to 0x9F outside a character is a control code of its own; the bytes
        // above it, text in another encoding, stay as they are.
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < first_printable || byte == delete_code ||
                   (byte >= c1_first && byte <= c1_last)) {
            add_hex(out, byte);
        } else {
            out += text[i];
        }
        ++i;
    }
    return out;
}
