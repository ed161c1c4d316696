#include "platform/output_folder.hpp"

#include "platform/file_facts.hpp"
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

// What holds a picture's name where renaming over it would take it away, in the system's
// words; a folder gets the rename's own ("Is a directory").
struct special_kind {
    mode_t type;
    const char* reason;
};
constexpr special_kind special_kinds[] = {
    {S_IFIFO, "Is a named pipe"},
    {S_IFSOCK, "Is a socket"},
    {S_IFCHR, "Is a character device"},
    {S_IFBLK, "Is a block device"},
};

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

// Neither a file, a link nor a folder: its kind's reason.
std::string special_reason(mode_t mode) {
    for (const special_kind& kind : special_kinds) {
        if ((mode & S_IFMT) == kind.type) {
            return kind.reason;
        }
    }
    return system_reason(EEXIST);
}

bool random_bits(std::uint64_t& bits, std::string& reason) {
    unsigned char bytes[sizeof bits] = {};
    ssize_t got = -1;
    do {
        got = getrandom(bytes, sizeof bytes, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof bytes)) {
        reason = system_reason(got < 0 ? errno : EIO);
        return false;
    }
    std::memcpy(&bits, bytes, sizeof bits);
    return true;
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

std::FILE* output_folder::create_temporary(const std::string& name, std::string& temporary,
                                           std::string& reason) {
    for (int attempt = 0; attempt < temporary_tries; ++attempt) {
        std::uint64_t random = 0;
        if (!random_bits(random, reason)) {
            return nullptr;
        }
        temporary = temporary_name(name, random);
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
            reason = system_reason(error);
            return nullptr;
        }
        // Open for reading too: what was written can be read back (its checksum).
        std::FILE* file = fdopen(fd, "w+b");
        if (file == nullptr) {
            reason = system_reason(errno);
            close(fd);
            discard(temporary);
        }
        return file;
    }
    reason = system_reason(EEXIST);
    return nullptr;
}

bool output_folder::publish(const std::string& temporary, const std::string& name, bool replace,
                            bool& existed, std::string& reason) {
    existed = false;
    struct stat st {};
    const bool present = fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    int error = 0;
    if (present && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        reason = special_reason(st.st_mode);
        discard(temporary);
        return false;
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
        existed = error == EEXIST;
    }
    if (error != 0) {
        reason = system_reason(error);
        discard(temporary);
        return false;
    }
    unmark_in_making(fd_, temporary);
    return true;
}

void output_folder::discard(const std::string& temporary) {
    unlinkat(fd_, temporary.c_str(), 0);
    unmark_in_making(fd_, temporary);
}

std::unique_ptr<output_folder> output_folder::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open the output folder '" + path + "': " + system_reason(errno);
        return nullptr;
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
