// Image files on Windows: a regular file, read at an offset with ReadFile.
#include "platform/image_disc.hpp"

#include <algorithm>
#include <windows.h>

namespace {

// Each ReadFile takes a 32-bit count: a read of more goes in parts of this size.
constexpr DWORD largest_read = 1u << 30;

class win32_image_file final : public image_file {
  public:
    win32_image_file(HANDLE handle, std::uint64_t size) : handle_(handle), size_(size) {}
    ~win32_image_file() override { CloseHandle(handle_); }

    bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                 std::size_t& delivered) const override {
        delivered = 0;
        while (delivered < count) {
            const std::uint64_t at = offset + delivered;
            OVERLAPPED place = {};
            place.Offset = static_cast<DWORD>(at);
            place.OffsetHigh = static_cast<DWORD>(at >> 32);
            const DWORD wanted =
                static_cast<DWORD>(std::min<std::size_t>(count - delivered, largest_read));
            DWORD got = 0;
            if (!ReadFile(handle_, out + delivered, wanted, &got, &place)) {
                return GetLastError() == ERROR_HANDLE_EOF;
            }
            if (got == 0) {
                return true; // the end of the file
            }
            delivered += got;
        }
        return true;
    }

    std::uint64_t size() const override { return size_; }

  private:
    HANDLE handle_;
    std::uint64_t size_;
};

file_state state_of_error(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return file_state::missing;
    case ERROR_CANT_RESOLVE_FILENAME: // links that lead round in a loop
        return file_state::looping_link;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return file_state::no_access;
    default:
        return file_state::unreadable;
    }
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

std::unique_ptr<image_file> open_image_file(const std::string& path, file_state& state) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        state = file_state::not_a_file;
        return nullptr;
    }
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        state = state_of_error(GetLastError());
        return nullptr;
    }
    LARGE_INTEGER size = {};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
        state = file_state::not_a_file;
        CloseHandle(handle);
        return nullptr;
    }
    state = file_state::opened;
    return std::make_unique<win32_image_file>(handle, static_cast<std::uint64_t>(size.QuadPart));
}

std::string path_beside(const std::string& sheet_path, const std::string& name) {
    // The system matches names without regard to case itself.
    const bool absolute =
        (name.size() > 1 && name[1] == ':') || (!name.empty() && is_separator(name[0]));
    if (absolute) {
        return name;
    }
    const std::size_t separator = sheet_path.find_last_of("\\/");
    return separator == std::string::npos ? name : sheet_path.substr(0, separator + 1) + name;
}

std::string disc_image_support() {
    return "ISO 9660 (.iso), raw 2352-byte (.bin) and CUE sheets";
}
