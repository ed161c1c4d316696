#include "platform/file_facts.hpp"
#include "platform/win32/error_text.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <windows.h>

namespace {

file_identity identity_of(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
        return {};
    }
    return {info.dwVolumeSerialNumber,
            std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow, true};
}

} // namespace

file_identity standard_output_identity() {
    return identity_of(GetStdHandle(STD_OUTPUT_HANDLE));
}

file_facts facts_of(const std::string& path) {
    file_facts facts;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // Devices (CON, NUL) and pipes have no attributes to tell: their handle tells.
    const HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            facts.error = EACCES;
        }
        return facts;
    }
    const DWORD kind = GetFileType(handle);
    facts.identity = identity_of(handle);
    CloseHandle(handle);
    facts.link =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (kind == FILE_TYPE_CHAR) {
        facts.type = file_type::device;
    } else if (kind == FILE_TYPE_PIPE) {
        facts.type = file_type::pipe;
    } else if (attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts.type = file_type::folder;
    } else {
        facts.type = file_type::regular;
    }
    facts.writable =
        attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    return facts;
}

result<std::FILE*> open_in_place(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return error(error_kind::write_failed, nullptr, path, errno);
    }
    return file;
}

std::string absolute_path(const std::string& path) {
    char full[MAX_PATH] = {};
    return _fullpath(full, path.c_str(), sizeof full) != nullptr ? std::string(full) : path;
}

std::string system_code_reason(std::uint64_t code) {
    return error_text(static_cast<DWORD>(code));
}
