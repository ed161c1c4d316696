#include "scratch_folder.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

scratch_folder::scratch_folder(const std::string& tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/quillmoor-" + tag + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    path_ = fs::absolute(pattern);
    home_fd_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    folder_fd_ = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

scratch_folder::~scratch_folder() {
    if (home_fd_ >= 0) {
        leave();
        close(home_fd_);
    }
    if (folder_fd_ >= 0) {
        close(folder_fd_);
    }
    std::error_code ignored;
    if (!path_.empty()) {
        fs::remove_all(path_, ignored);
    }
}

bool scratch_folder::enter() const {
    // A folder removed under a running program would fail every write that follows.
    std::error_code error;
    return folder_fd_ >= 0 && fs::is_directory(path_, error) && fchdir(folder_fd_) == 0;
}

bool scratch_folder::leave() const {
    return home_fd_ >= 0 && fchdir(home_fd_) == 0;
}

void scratch_folder::empty() const {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(path_, ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
}
