// The folder the pictures go to, held for the whole run. A picture is made under a name of
// its own there and given its name only when it is whole, so a run that is cut short never
// leaves a picture that looks finished, nor empties one an earlier run left.
#pragma once

#include "core/error.hpp"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// A file in the making: open, and its temporary name in the folder.
struct temporary_file {
    std::FILE* file = nullptr;
    std::string name;
};

class output_folder {
  public:
    ~output_folder();
    output_folder(const output_folder&) = delete;
    output_folder& operator=(const output_folder&) = delete;

    // How messages name the folder ("." for the current one), and a file in it.
    const std::string& shown() const { return shown_; }
    std::string shown_path(const std::string& name) const;

    // Whether anything of that name is in the folder (a link counts, whatever it names).
    bool holds(const std::string& name) const;

    // A new, empty file under a temporary name of its own, for the picture `name`, open for
    // writing and reading; fails (write_failed) when none can be made.
    result<temporary_file> create_temporary(const std::string& name);

    // Gives the whole temporary file its name: in place of a file or link of that name when
    // replace is set, else only where nothing has it. True when it has the name; false when
    // it was not to replace and something had the name, which stays. Fails (write_failed)
    // when it cannot; a pipe, device or folder of the name is left as it is, and so is a
    // file this user may not write. The temporary file is gone afterwards unless it was
    // published.
    result<bool> publish(const std::string& temporary, const std::string& name, bool replace);

    // Removes a temporary file that is not to be published.
    void discard(const std::string& temporary);

    // Whether a file can be made in the folder: only a file made there tells (permissions,
    // a read-only mount and quotas all count). Fails as create_temporary does.
    result<void> check_writable();

    // The folder at path, which must exist, held by the system's own means; fails
    // (write_failed) when it cannot be opened.
    static result<std::unique_ptr<output_folder>> open(const std::string& path);

  private:
    output_folder(std::string shown, std::string path, int fd)
        : shown_(std::move(shown)), path_(std::move(path)), fd_(fd) {}

    // ".NAME.xxxxxxxxxxxxxxxx", from 64 bits of the system's random source: hidden, never a
    // picture's name, telling what it was to become, and not to be foreseen by another user.
    static std::string temporary_name(const std::string& name, std::uint64_t random);

    std::string shown_;
    std::string path_; // as the system opens files under it: Windows takes full paths
    int fd_;           // the folder held open, where the system can (POSIX); else -1
};

// The characters that part a path's folders on this system.
const char* path_separators();

// From now on a stop (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl-C, Ctrl-Break, the console
// closed) removes the temporary files in the making before the process ends as the stop
// would end it. A signal the process was started ignoring stays ignored.
void remove_temporaries_on_stop();
