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

static_assert(sizeof(off_t) >= sizeof(std::uint64_t), "offsets into images past 2 GiB");

bool read_up_to(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t count,
                std::size_t& delivered) {
    delivered = 0;
    while (delivered < count) {
        const ssize_t n = pread(fd, buffer + delivered, count - delivered,
                                static_cast<off_t>(offset + delivered));
        if (n == 0) {
            return true; // the end of the file
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        delivered += static_cast<std::size_t>(n);
    }
    return true;
}
