// A folder as the disc: its files are the root's files. The folder is held open, so a
// later change of the working folder does not move the disc.
#include "platform/listed_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class folder_disc final : public listed_disc {
  public:
    folder_disc(std::string root, int dir_fd, std::vector<std::string> names)
        : listed_disc(std::move(root)), dir_fd_(dir_fd), names_(std::move(names)) {
        set_listing(names_);
    }
    ~folder_disc() override { close(dir_fd_); }

    bool reads(const file_identity& file) const override {
        for (const std::string& name : names_) {
            struct stat st {};
            if (fstatat(dir_fd_, name.c_str(), &st, 0) == 0 &&
                file.same_as({static_cast<std::uint64_t>(st.st_dev),
                              static_cast<std::uint64_t>(st.st_ino), true})) {
                return true;
            }
        }
        return false;
    }

  private:
    disc_read read_file(std::size_t file, std::uint8_t* buffer,
                        std::uint32_t capacity) const override {
        const int fd = open_regular_file(dir_fd_, names_[file].c_str());
        if (fd < 0) {
            return {};
        }
        std::size_t delivered = 0;
        const bool read = read_up_to(fd, 0, buffer, capacity, delivered);
        close(fd);
        return {true, !read, static_cast<std::uint32_t>(delivered)};
    }

    int dir_fd_;
    std::vector<std::string> names_;
};

// A regular file, or a link to one; folders, devices and pipes are no disc files.
bool is_regular_entry(int dir_fd, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat st {};
    return fstatat(dir_fd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::unique_ptr<disc> open_folder_disc(std::string root, const std::string& path) {
    const int dir_fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (dir_fd < 0) {
        return nullptr;
    }
    const int list_fd = dup(dir_fd);
    DIR* dir = list_fd >= 0 ? fdopendir(list_fd) : nullptr;
    if (dir == nullptr) {
        if (list_fd >= 0) {
            close(list_fd);
        }
        close(dir_fd);
        return nullptr;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        if (is_regular_entry(dir_fd, *entry)) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(dir);
    return std::make_unique<folder_disc>(std::move(root), dir_fd, std::move(names));
}
