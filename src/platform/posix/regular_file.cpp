#include "platform/posix/posix_discs.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int open_regular_file(int dir_fd, const char* path) {
    const int fd = openat(dir_fd, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool read_up_to(int fd, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& delivered) {
    delivered = 0;
    while (delivered < count) {
        const ssize_t n = read(fd, buffer + delivered, count - delivered);
        if (n == 0) {
            return true; // the end of the file
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        delivered += static_cast<std::uint32_t>(n);
    }
    return true;
}
