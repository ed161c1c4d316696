#include "platform/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* create_output_file(const char* name) {
    // Opened without waiting and without emptying: only a regular file is then emptied.
    constexpr mode_t new_file_mode = 0666; // less the user's umask
    const int fd =
        open(name, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, new_file_mode);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags >= 0 &&
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 && ftruncate(fd, 0) == 0) {
        file = fdopen(fd, "wb");
    }
    if (file == nullptr) {
        close(fd);
    }
    return file;
}
