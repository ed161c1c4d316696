#include "platform/disc_names.hpp"

#include "core/ascii.hpp"

#include <algorithm>

namespace {

constexpr char version_separator = ';';
constexpr char extension_separator = '.';
constexpr unsigned char first_printable = 0x20;
constexpr unsigned char delete_code = 0x7F;

} // namespace

bool is_drive_letter(const std::string& source) {
    if (source.empty() || !is_ascii_letter(source[0])) {
        return false;
    }
    return source.size() == 1 ||
           (source[1] == ':' && (source.size() == 2 ||
                                 (source.size() == 3 && (source[2] == '\\' || source[2] == '/'))));
}

std::string drive_root(char letter) {
    return {letter, ':', '\\'};
}

bool is_drive_root(const char* root) {
    return is_ascii_letter(root[0]) && root[1] == ':' && root[2] == '\\' && root[3] == '\0';
}

bool is_safe_name(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    // Printable ASCII, the names such a disc holds: no C1 code nor a bidi control slips by.
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= first_printable && byte < delete_code && c != '/' && c != '\\';
    });
}

std::string shown_name(std::string name) {
    const std::size_t version = name.rfind(version_separator);
    if (version != std::string::npos && version + 1 < name.size() &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(version) + 1, name.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        name.erase(version);
        if (!name.empty() && name.back() == extension_separator) {
            name.pop_back();
        }
    }
    return name;
}
