#include "platform/file_facts.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t new_file_mode = 0666; // less the user's umask

file_type type_of(mode_t mode) {
    return S_ISREG(mode)                    ? file_type::regular
           : S_ISDIR(mode)                  ? file_type::folder
           : S_ISFIFO(mode)                 ? file_type::pipe
           : S_ISCHR(mode) || S_ISBLK(mode) ? file_type::device
           : S_ISSOCK(mode)                 ? file_type::socket
                                            : file_type::other;
}

} // namespace

file_identity standard_output_identity() {
    struct stat st {};
    if (fstat(STDOUT_FILENO, &st) != 0) {
        return {};
    }
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}

file_facts facts_of(const std::string& path) {
    file_facts facts;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        facts.error = errno == ENOENT ? 0 : errno;
        return facts;
    }
    facts.link = S_ISLNK(st.st_mode);
    if (facts.link && stat(path.c_str(), &st) != 0) {
        // A link to nothing: writing through it makes the file it names.
        facts.error = errno == ENOENT ? 0 : errno;
        return facts;
    }
    facts.type = type_of(st.st_mode);
    facts.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                      true};
    facts.writable = faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    return facts;
}

result<std::FILE*> open_in_place(const std::string& path) {
    const auto failed = [&](int fd) {
        const error why(error_kind::write_failed, nullptr, path, errno);
        if (fd >= 0) {
            close(fd);
        }
        return why;
    };
    // A pipe waits here for its reader, as any program that writes into one does.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, new_file_mode);
    if (fd < 0) {
        return failed(-1);
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
        return failed(fd);
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        return failed(fd);
    }
    return file;
}

std::string absolute_path(const std::string& path) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        std::string absolute = resolved;
        std::free(resolved);
        return absolute;
    }
    // Not there (yet): its folder resolved, the name as it is.
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (char* resolved = realpath(folder.c_str(), nullptr)) {
        std::string absolute = resolved;
        std::free(resolved);
        return absolute + (absolute.ends_with('/') ? "" : "/") + name;
    }
    return path;
}

std::string system_code_reason(std::uint64_t code) {
    return system_reason(static_cast<int>(code));
}
