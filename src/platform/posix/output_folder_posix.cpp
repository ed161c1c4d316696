#include "platform/output_folder.hpp"

#include "platform/files_in_making.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t new_file_mode = 0666; // less the user's umask
// Tries at a temporary name before the folder is taken to refuse new files.
constexpr int temporary_tries = 64;

// What holds a picture's name where renaming over it would take it away; a folder gets the
// rename's own error (EISDIR).
struct special_kind {
    mode_t type;
    error_detail detail;
};
constexpr special_kind special_kinds[] = {
    {S_IFIFO, error_detail::named_pipe},
    {S_IFSOCK, error_detail::socket},
    {S_IFCHR, error_detail::character_device},
    {S_IFBLK, error_detail::block_device},
};

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

error write_failed(int number, error_detail detail = error_detail::none) {
    error failure{error_kind::write_failed, nullptr, {}, number};
    failure.detail = detail;
    return failure;
}

// Neither a file, a link nor a folder: its kind.
error special_error(mode_t mode) {
    for (const special_kind& kind : special_kinds) {
        if ((mode & S_IFMT) == kind.type) {
            return write_failed(0, kind.detail);
        }
    }
    return write_failed(EEXIST);
}

result<std::uint64_t> random_bits() {
    unsigned char bytes[sizeof(std::uint64_t)] = {};
    ssize_t got = -1;
    do {
        got = getrandom(bytes, sizeof bytes, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof bytes)) {
        return write_failed(got < 0 ? errno : EIO);
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

void remove_file(int folder, const char* name) {
    unlinkat(folder, name, 0);
}

// Removes what is in the making, then ends the process as the signal would have: the
// default action, raised again once this handler returns.
extern "C" void on_stop(int signal) {
    remove_in_making(remove_file);
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigemptyset(&default_action.sa_mask);
    sigaction(signal, &default_action, nullptr);
    raise(signal);
}

} // namespace

output_folder::~output_folder() {
    unmark_folder(fd_);
    close(fd_);
}

bool output_folder::holds(const std::string& name) const {
    struct stat st {};
    return fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

result<temporary_file> output_folder::create_temporary(const std::string& name) {
    for (int attempt = 0; attempt < temporary_tries; ++attempt) {
        const result<std::uint64_t> random = random_bits();
        if (!random) {
            return random.failure();
        }
        const std::string temporary = temporary_name(name, *random);
        mark_in_making(fd_, temporary);
        const int fd =
            openat(fd_, temporary.c_str(),
                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, new_file_mode);
        if (fd < 0) {
            const int error = errno;
            unmark_in_making(fd_, temporary);
            if (error == EEXIST) {
                continue;
            }
            return write_failed(error);
        }
        // Open for reading too: what was written can be read back (its checksum).
        std::FILE* file = fdopen(fd, "w+b");
        if (file == nullptr) {
            const int error = errno;
            close(fd);
            discard(temporary);
            return write_failed(error);
        }
        return temporary_file{file, temporary};
    }
    return write_failed(EEXIST);
}

result<bool> output_folder::publish(const std::string& temporary, const std::string& name,
                                    bool replace) {
    struct stat st {};
    const bool present = fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    int error = 0;
    if (present && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        discard(temporary);
        return special_error(st.st_mode);
    }
    if (replace) {
        // A file this user may not write stays, as an open for writing would leave it; the
        // superuser may. A link of the name is replaced, never followed.
        if (present && S_ISREG(st.st_mode) && faccessat(fd_, name.c_str(), W_OK, AT_EACCESS) != 0 &&
            errno != ENOENT) {
            error = errno;
        } else {
            error = renameat(fd_, temporary.c_str(), fd_, name.c_str()) == 0 ? 0 : errno;
        }
    } else {
        error =
            renameat2(fd_, temporary.c_str(), fd_, name.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
        if (error == EINVAL || error == ENOSYS) {
            // A file system without the flag: a file that appears meanwhile is replaced.
            error = holds(name)                                                ? EEXIST
                    : renameat(fd_, temporary.c_str(), fd_, name.c_str()) == 0 ? 0
                                                                               : errno;
        }
    }
    if (error != 0) {
        discard(temporary);
        if (!replace && error == EEXIST) {
            return false;
        }
        return write_failed(error);
    }
    unmark_in_making(fd_, temporary);
    return true;
}

void output_folder::discard(const std::string& temporary) {
    unlinkat(fd_, temporary.c_str(), 0);
    unmark_in_making(fd_, temporary);
}

result<std::unique_ptr<output_folder>> output_folder::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return write_failed(errno);
    }
    return std::unique_ptr<output_folder>(new output_folder(path, path, fd));
}

const char* path_separators() {
    return "/";
}

void remove_temporaries_on_stop() {
    struct sigaction action {};
    action.sa_handler = on_stop;
    // One stop at a time: a second waits until the first has removed the files.
    sigemptyset(&action.sa_mask);
    for (const int signal : stop_signals) {
        sigaddset(&action.sa_mask, signal);
    }
    for (const int signal : stop_signals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}
