#include "platform/output_folder.hpp"
#include "platform/win32/error_text.hpp"

#include "platform/files_in_making.hpp"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <bcrypt.h>

namespace {

constexpr int temporary_tries = 64;

bool ends_with_separator(const std::string& path) {
    return path.ends_with('\\') || path.ends_with('/');
}

// The system's random source, opened by its algorithm's name as Windows Vista has it.
bool random_bits(std::uint64_t& bits, std::string& reason) {
    BCRYPT_ALG_HANDLE source = nullptr;
    NTSTATUS got = BCryptOpenAlgorithmProvider(&source, BCRYPT_RNG_ALGORITHM, nullptr, 0);
    if (BCRYPT_SUCCESS(got)) {
        unsigned char bytes[sizeof bits] = {};
        got = BCryptGenRandom(source, bytes, sizeof bytes, 0);
        BCryptCloseAlgorithmProvider(source, 0);
        std::memcpy(&bits, bytes, sizeof bits);
    }
    if (!BCRYPT_SUCCESS(got)) {
        reason = "the system gave no random name (status " +
                 std::to_string(static_cast<unsigned long>(got)) + ")";
        return false;
    }
    return true;
}

void remove_file(int, const char* path) {
    DeleteFileA(path);
}

// Runs on a thread of its own. The file in the making was opened to be deleted while open:
// it goes when the process ends, which the default handling after this one does.
BOOL WINAPI on_stop(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        remove_in_making(remove_file);
    }
    return FALSE;
}

} // namespace

output_folder::~output_folder() = default;

bool output_folder::holds(const std::string& name) const {
    return GetFileAttributesA((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* output_folder::create_temporary(const std::string& name, std::string& temporary,
                                           std::string& reason) {
    for (int attempt = 0; attempt < temporary_tries; ++attempt) {
        std::uint64_t random = 0;
        if (!random_bits(random, reason)) {
            return nullptr;
        }
        temporary = temporary_name(name, random);
        const std::string path = path_ + temporary;
        mark_in_making(-1, path);
        // Shared for deleting alone, so that a stop can remove it while it is being written.
        const HANDLE handle =
            CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            unmark_in_making(-1, path);
            if (error == ERROR_FILE_EXISTS) {
                continue;
            }
            reason = error_text(error);
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        // Open for reading too: what was written can be read back (its checksum).
        std::FILE* file = fd >= 0 ? _fdopen(fd, "w+b") : nullptr;
        if (file == nullptr) {
            reason = "cannot open the file";
            if (fd >= 0) {
                _close(fd);
            } else {
                CloseHandle(handle);
            }
            discard(temporary);
        }
        return file;
    }
    reason = "no temporary name is free";
    return nullptr;
}

// MoveFileEx leaves a read-only file as it is (access denied), as an open for writing would.
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
        return false;
    }
    unmark_in_making(-1, path_ + temporary);
    return true;
}

void output_folder::discard(const std::string& temporary) {
    DeleteFileA((path_ + temporary).c_str());
    unmark_in_making(-1, path_ + temporary);
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
    return std::unique_ptr<output_folder>(new output_folder(path, open_path, -1));
}

const char* path_separators() {
    return "\\/";
}

void remove_temporaries_on_stop() {
    // A console started with Ctrl-C ignored does not call handlers for it: it stays ignored.
    SetConsoleCtrlHandler(on_stop, TRUE);
}
