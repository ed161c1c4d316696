// The disc on Windows: drive letters are the system's own, so a file's path goes to it as it
// stands, and the search is the system's (its order, its matching without case). A folder
// given on the command line is read the same way.
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "platform/image_disc.hpp"
#include "platform/win32/error_text.hpp"

#include <cstdio>
#include <cstdlib>
#include <windows.h>

namespace {

class system_drive final : public disc {
  public:
    // Files are opened under open_root, which stays right when the working folder changes;
    // messages name them under root, as the user wrote it.
    system_drive(std::string root, std::string open_root)
        : disc(std::move(root)), open_root_(std::move(open_root)) {}

    disc_read read(const char* name, std::uint8_t* buffer, std::uint32_t capacity) const override {
        if (!is_safe_name(name)) {
            return {};
        }
        std::FILE* file = std::fopen((open_root_ + name).c_str(), "rb");
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
        const HANDLE handle = FindFirstFileA((open_root_ + pattern).c_str(), &found);
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

    bool reads(const file_identity& file) const override {
        for (const std::string& name : search("*")) {
            if (facts_of(open_root_ + name).identity.same_as(file)) {
                return true;
            }
        }
        return false;
    }

  private:
    std::string open_root_;
};

constexpr DWORD no_attributes = INVALID_FILE_ATTRIBUTES;

bool ends_with_separator(const std::string& path) {
    return path.ends_with('\\') || path.ends_with('/');
}

error source_error(error_kind kind, const std::string& source, DWORD number = 0,
                   error_detail detail = {}) {
    error e;
    e.kind = kind;
    e.path = source;
    e.system_error = static_cast<int>(number);
    e.detail = detail;
    return e;
}

} // namespace

drive_disc open_drive(const char* root) {
    auto drive = std::make_unique<system_drive>(root, root);
    drive->set_place(root);
    return {std::move(drive), {}};
}

result<std::unique_ptr<disc>> open_source(const std::string& source) {
    if (is_drive_letter(source)) {
        const std::string root = drive_root(source[0]);
        if (GetFileAttributesA(root.c_str()) == no_attributes) {
            return source_error(error_kind::no_drive, root, GetLastError());
        }
        return std::move(open_drive(root.c_str()).found);
    }
    const DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == no_attributes) {
        const DWORD why = GetLastError();
        if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND) {
            return source_error(error_kind::file_not_found, source, why);
        }
        if (why == ERROR_CANT_RESOLVE_FILENAME) {
            return source_error(error_kind::looping_link, source, why);
        }
        return source_error(error_kind::unopenable, source, why);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        result<std::unique_ptr<disc>> image = open_image_disc(source + ":", source);
        if (image) {
            image.value()->set_place(source);
        }
        return image;
    }
    char full[MAX_PATH] = {};
    if (_fullpath(full, source.c_str(), sizeof full) == nullptr) {
        return source_error(error_kind::unreadable, source, 0, error_detail::folder);
    }
    const std::string separator = "\\";
    std::string open_root = full;
    auto folder = std::make_unique<system_drive>(
        ends_with_separator(source) ? source : source + separator,
        ends_with_separator(open_root) ? open_root : open_root + separator);
    folder->set_place(source);
    return std::unique_ptr<disc>(std::move(folder));
}
