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

error write_failed(error_detail detail, std::uint64_t figure = 0) {
    error failure{error_kind::write_failed};
    failure.detail = detail;
    failure.figures[0] = figure;
    return failure;
}

// The system's random source, opened by its algorithm's name as Windows Vista has it.
result<std::uint64_t> random_bits() {
    std::uint64_t bits = 0;
    BCRYPT_ALG_HANDLE source = nullptr;
    NTSTATUS got = BCryptOpenAlgorithmProvider(&source, BCRYPT_RNG_ALGORITHM, nullptr, 0);
    if (BCRYPT_SUCCESS(got)) {
        unsigned char bytes[sizeof bits] = {};
        got = BCryptGenRandom(source, bytes, sizeof bytes, 0);
        BCryptCloseAlgorithmProvider(source, 0);
        std::memcpy(&bits, bytes, sizeof bits);
    }
    if (!BCRYPT_SUCCESS(got)) {
        return write_failed(error_detail::no_random_name, static_cast<unsigned long>(got));
    }
    return bits;
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

result<temporary_file> output_folder::create_temporary(const std::string& name) {
    for (int attempt = 0; attempt < temporary_tries; ++attempt) {
        const result<std::uint64_t> random = random_bits();
        if (!random) {
            return random.failure();
        }
        const std::string temporary = temporary_name(name, *random);
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
            return write_failed(error_detail::system_code, error);
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        // Open for reading too: what was written can be read back (its checksum).
        std::FILE* file = fd >= 0 ? _fdopen(fd, "w+b") : nullptr;
        if (file == nullptr) {
            if (fd >= 0) {
                _close(fd);
            } else {
                CloseHandle(handle);
            }
            discard(temporary);
            return write_failed(error_detail::no_stream);
        }
        return temporary_file{file, temporary};
    }
    return write_failed(error_detail::no_free_name);
}

// MoveFileEx leaves a read-only file as it is (access denied), as an open for writing would.
result<bool> output_folder::publish(const std::string& temporary, const std::string& name,
                                    bool replace) {
    const std::string target = path_ + name;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    bool ok = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else {
        ok = MoveFileExA((path_ + temporary).c_str(), target.c_str(),
                         replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
    }
    if (!ok) {
        const DWORD error = GetLastError();
        discard(temporary);
        if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            return false;
        }
        return write_failed(error_detail::system_code, error);
    }
    unmark_in_making(-1, path_ + temporary);
    return true;
}

void output_folder::discard(const std::string& temporary) {
    DeleteFileA((path_ + temporary).c_str());
    unmark_in_making(-1, path_ + temporary);
}

result<std::unique_ptr<output_folder>> output_folder::open(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        _fullpath(full, path.c_str(), sizeof full) == nullptr) {
        return error{error_kind::write_failed}; // the system is not asked why
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
