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

struct system_kind {
    DWORD number;
    error_kind kind;
};

// What an open's error says of the file; any other is unreadable.
constexpr system_kind open_errors[] = {
    {ERROR_FILE_NOT_FOUND, error_kind::file_not_found},
    {ERROR_PATH_NOT_FOUND, error_kind::file_not_found},
    {ERROR_INVALID_NAME, error_kind::file_not_found},
    {ERROR_CANT_RESOLVE_FILENAME, error_kind::looping_link}, // links that lead round in a loop
    {ERROR_ACCESS_DENIED, error_kind::no_access},
    {ERROR_SHARING_VIOLATION, error_kind::no_access},
};

error file_error(error_kind kind, const std::string& path, DWORD number) {
    error e;
    e.kind = kind;
    e.path = path;
    e.system_error = static_cast<int>(number);
    return e;
}

error open_error(const std::string& path, DWORD number) {
    for (const system_kind& row : open_errors) {
        if (row.number == number) {
            return file_error(row.kind, path, number);
        }
    }
    return file_error(error_kind::unreadable, path, number);
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

result<std::unique_ptr<image_file>> open_image_file(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return file_error(error_kind::not_a_file, path, 0);
    }
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return open_error(path, GetLastError());
    }
    LARGE_INTEGER size = {};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return file_error(error_kind::not_a_file, path, 0);
    }
    return std::unique_ptr<image_file>(
        std::make_unique<win32_image_file>(handle, static_cast<std::uint64_t>(size.QuadPart)));
}

std::string path_followed(const std::string& path) {
    return path; // drive letters are the system's own, never links to an image
}

std::string path_beside(const std::string& sheet_path, const std::string& given) {
    // The system matches names without regard to case itself.
    const std::string name = name_beside(sheet_path, given);
    const bool absolute =
        (name.size() > 1 && name[1] == ':') || (!name.empty() && is_separator(name[0]));
    if (absolute) {
        return name;
    }
    const std::size_t separator = sheet_path.find_last_of("\\/");
    return separator == std::string::npos ? name : sheet_path.substr(0, separator + 1) + name;
}

std::string disc_image_support() {
    return image_format_support(false);
}
