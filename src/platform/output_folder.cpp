#include "platform/output_folder.hpp"

namespace {

constexpr char hex_digits[] = "0123456789abcdef";
constexpr unsigned suffix_digits = 16; // 64 random bits

} // namespace

std::string output_folder::shown_path(const std::string& name) const {
    if (shown_ == ".") {
        return name;
    }
    const std::string separators = path_separators();
    const bool ends_with_one =
        !shown_.empty() && separators.find(shown_.back()) != std::string::npos;
    return ends_with_one ? shown_ + name : shown_ + separators.front() + name;
}

std::string output_folder::temporary_name(const std::string& name, std::uint64_t random) {
    std::string suffix(suffix_digits, '0');
    for (char& c : suffix) {
        c = hex_digits[random & 0xF];
        random >>= 4;
    }
    return "." + name + "." + suffix;
}

result<void> output_folder::check_writable() {
    result<temporary_file> probe = create_temporary("probe");
    if (!probe) {
        return std::move(probe.failure());
    }
    std::fclose(probe->file);
    discard(probe->name);
    return {};
}
