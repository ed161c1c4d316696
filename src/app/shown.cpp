#include "app/shown.hpp"

namespace {

constexpr unsigned char first_printable = 0x20;
constexpr unsigned char delete_code = 0x7F;
// C1 codes, U+0080 to U+009F, are C2 80 to C2 9F in UTF-8.
constexpr unsigned char c1_lead = 0xC2;
constexpr unsigned char c1_first = 0x80;
constexpr unsigned char c1_last = 0x9F;
constexpr char hex_digits[] = "0123456789abcdef";

void add_hex(std::string& out, unsigned char byte) {
    out += "\\x";
    out += hex_digits[byte >> 4];
    out += hex_digits[byte & 0xF];
}

} // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < first_printable || byte == delete_code) {
            add_hex(out, byte);
        } else if (byte == c1_lead && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= c1_first &&
                   static_cast<unsigned char>(text[i + 1]) <= c1_last) {
            add_hex(out, byte);
            add_hex(out, static_cast<unsigned char>(text[++i]));
        } else {
            out += text[i];
        }
    }
    return out;
}
