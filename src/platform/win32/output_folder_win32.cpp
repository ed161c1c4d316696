#include "platform/output_folder.hpp"
#include "platform/win32/error_text.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

constexpr int temporary_tries = 64;

bool ends_with_separator(const std::string& path) {
    return path.ends_with('\\') || path.ends_with('/');
}

} // namespace

output_folder::~output_folder() = default;

bool output_folder::holds(const std::string& name) const {
    return GetFileAttributesA((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* output_folder::create_temporary(const std::string& name, std::string& temporary,
                                           std::string& reason) {
    for (int attempt = 0; attempt < temporary_tries; ++attempt) {
        temporary = temporary_name(name);
        const HANDLE handle = CreateFileA((path_ + temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            reason = error_text(GetLastError());
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
        if (file == nullptr) {
            reason = "cannot open the file";
            if (fd >= 0) {
                _close(fd);
            } else {
                CloseHandle(handle);
            }
            DeleteFileA((path_ + temporary).c_str());
        }
        return file;
    }
    reason = "no temporary name is free";
    return nullptr;
}

bool output_folder::publish(const std::string& temporary, const std::string& name, bool replace,
                            bool& existed, std::string& reason) {
    existed = false;
    const std::string target = path_ + name;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    bool ok = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else {
        ok = MoveFileExA((path_ + temporary).c_str(), target.c_str(),
                         replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
        existed = !ok && !replace &&
                  (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS);
    }
    if (!ok) {
        reason = error_text(GetLastError());
        discard(temporary);
    }
    return ok;
}

void output_folder::discard(const std::string& temporary) {
    DeleteFileA((path_ + temporary).c_str());
}

std::unique_ptr<output_folder> output_folder::open(const std::string& path, std::string& error) {
    char full[MAX_PATH] = {};
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        _fullpath(full, path.c_str(), sizeof full) == nullptr) {
        error = "cannot open the output folder '" + path + "'";
        return nullptr;
    }
    std::string open_path = full;
    if (!ends_with_separator(open_path)) {
        open_path += "\\";
    }
    return std::unique_ptr<output_folder>(
        new output_folder(path, open_path, -1, static_cast<std::uint32_t>(GetCurrentProcessId())));
}

const char* path_separators() {
    return "\\/";
}
