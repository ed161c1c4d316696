// Image files on POSIX systems: a regular file or a block device, read with pread.
#include "core/ascii.hpp"
#include "platform/image_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class posix_image_file final : public image_file {
  public:
    posix_image_file(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~posix_image_file() override { close(fd_); }

    bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                 std::size_t& delivered) const override {
        return read_up_to(fd_, offset, out, count, delivered);
    }

    std::uint64_t size() const override { return size_; }

  private:
    int fd_;
    std::uint64_t size_;
};

struct errno_kind {
    int number;
    error_kind kind;
};

// What an open's errno says of the file; any other is unreadable.
constexpr errno_kind open_errors[] = {
    {ENOENT, error_kind::file_not_found}, {ENOTDIR, error_kind::file_not_found},
    {ELOOP, error_kind::looping_link},    {EACCES, error_kind::no_access},
    {EPERM, error_kind::no_access},       {ENOMEDIUM, error_kind::no_medium},
};

error file_error(error_kind kind, const std::string& path, int number) {
    error e;
    e.kind = kind;
    e.path = path;
    e.system_error = number;
    return e;
}

error open_error(const std::string& path, int number) {
    for (const errno_kind& row : open_errors) {
        if (row.number == number) {
            return file_error(row.kind, path, number);
        }
    }
    return file_error(error_kind::unreadable, path, number);
}

} // namespace

result<std::unique_ptr<image_file>> open_image_file(const std::string& path) {
    // Opened without waiting: a pipe or a device of the name never gets to block the run.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return open_error(path, errno);
    }
    struct stat st {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int number = errno;
        close(fd);
        return file_error(error_kind::unreadable, path, number);
    }
    std::uint64_t size = 0;
    if (S_ISREG(st.st_mode)) {
        size = static_cast<std::uint64_t>(st.st_size);
    } else if (S_ISBLK(st.st_mode)) {
        // A drive, read as an image of 2048-byte sectors: its size is where it ends. One of
        // no size holds nothing: a loop device bound to no file, a drive without its disc.
        const off_t end = lseek(fd, 0, SEEK_END);
        const int number = end < 0 ? errno : 0;
        if (end <= 0) {
            close(fd);
            return file_error(end == 0 ? error_kind::no_medium : error_kind::unreadable, path,
                              number);
        }
        size = static_cast<std::uint64_t>(end);
    } else {
        close(fd);
        return file_error(error_kind::not_a_file, path, 0);
    }
    return std::unique_ptr<image_file>(std::make_unique<posix_image_file>(fd, size));
}

std::string path_followed(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    const std::string followed = resolved != nullptr ? resolved : path;
    std::free(resolved);
    return followed;
}

std::string path_beside(const std::string& sheet_path, const std::string& name) {
    // The sheet is most often reached through a link ("q:" to game.cue): its files lie
    // beside the sheet itself.
    char* resolved = realpath(sheet_path.c_str(), nullptr);
    const std::string sheet = resolved != nullptr ? resolved : sheet_path;
    std::free(resolved);
    const std::size_t sheet_slash = sheet.rfind('/');
    const std::string named = name_beside(sheet, name);
    const std::string exact = named.starts_with('/') || sheet_slash == std::string::npos
                                  ? named
                                  : sheet.substr(0, sheet_slash + 1) + named;
    struct stat st {};
    if (lstat(exact.c_str(), &st) == 0) {
        return exact;
    }
    // Sheets made on systems that ignore case name their files in any case.
    const std::size_t slash = exact.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : exact.substr(0, slash);
    const std::string file = exact.substr(slash + 1);
    std::string found;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (same_ignoring_case(entry->d_name, file.c_str()) &&
                (found.empty() || found > entry->d_name)) {
                found = entry->d_name;
            }
        }
        closedir(dir);
    }
    return found.empty() ? exact : folder + "/" + found;
}

std::string disc_image_support() {
    return image_format_support(true);
}
