#include "platform/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* create_output_file(const char* name) {
    // Opened without waiting: a pipe or a device of the name is then turned down unchanged
    // (emptying leaves both alone), and a regular file never waits anyway.
    constexpr mode_t new_file_mode = 0666; // less the user's umask
    const int fd =
        open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, new_file_mode);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    std::FILE* file = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        file = fdopen(fd, "wb");
    }
    if (file == nullptr) {
        close(fd);
    }
    return file;
}
