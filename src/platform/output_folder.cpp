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

std::unique_ptr<output_folder> open_output_folder(const std::string& path, bool check_writable,
                                                  std::string& error) {
    std::unique_ptr<output_folder> folder = output_folder::open(path, error);
    if (folder != nullptr && check_writable) {
        // Only a file made there tells: permissions, a read-only mount and quotas all count.
        std::string temporary;
        std::string reason;
        std::FILE* probe = folder->create_temporary("probe", temporary, reason);
        if (probe == nullptr) {
            error = "cannot write into the output folder '" + path + "': " + reason;
            return nullptr;
        }
        std::fclose(probe);
        folder->discard(temporary);
    }
    return folder;
}
