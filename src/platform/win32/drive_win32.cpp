// The disc on Windows: drive letters are the system's own, so a file's path goes to it as
// it stands, and the search is the system's (its order, its matching without case).
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"

#include <cstdio>
#include <windows.h>

namespace {

class system_drive final : public disc {
  public:
    explicit system_drive(std::string root) : disc(std::move(root)) {}

    disc_read read(const char* name, std::uint8_t* buffer, std::uint32_t capacity) const override {
        if (!is_safe_name(name)) {
            return {};
        }
        std::FILE* file = std::fopen(path_of(name).c_str(), "rb");
        if (file == nullptr) {
            return {};
        }
        disc_read got{true, false, 0};
        got.count = static_cast<std::uint32_t>(std::fread(buffer, 1, capacity, file));
        got.failed = got.count < capacity && std::ferror(file) != 0;
        std::fclose(file);
        return got;
    }

    std::vector<std::string> search(const char* pattern) const override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found = {};
        const HANDLE handle = FindFirstFileA(path_of(pattern).c_str(), &found);
        if (handle == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                is_safe_name(found.cFileName)) {
                names.emplace_back(found.cFileName);
            }
        } while (FindNextFileA(handle, &found));
        FindClose(handle);
        return names;
    }
};

} // namespace

std::unique_ptr<disc> open_drive(const char* root) {
    return std::make_unique<system_drive>(root);
}
