// A folder of one's own for code that writes into the current folder: made fresh under
// $TMPDIR (or /tmp), entered and left, and removed with all in it at the end.
#pragma once

#include <filesystem>
#include <string>

class scratch_folder {
  public:
    // A new folder named quillmoor-TAG-XXXXXX; made() tells whether it could be made.
    explicit scratch_folder(const std::string& tag);
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    bool made() const { return folder_fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }

    // Makes it the current folder, and goes back to the one that was current when it was
    // made. False when it is gone or cannot be entered.
    bool enter() const;
    bool leave() const;
    // Removes everything in it.
    void empty() const;

  private:
    std::filesystem::path path_;
    int folder_fd_ = -1;
    int home_fd_ = -1;
};
