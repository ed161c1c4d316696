// The folder the pictures go to, held for the whole run. A picture is made under a name of
// its own there and given its name only when it is whole, so a run that is cut short never
// leaves a picture that looks finished, nor empties one an earlier run left.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

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

    // A new, empty file under a temporary name of its own, for the picture `name`. Null,
    // with the system's reason, when none can be made.
    std::FILE* create_temporary(const std::string& name, std::string& temporary,
                                std::string& reason);

    // Gives the whole temporary file its name: in place of a file or link of that name when
    // replace is set, else only where nothing has it (existed tells). False, with the
    // system's reason, when it cannot; a pipe, device or folder of the name is left as it is,
    // and so is a file this user may not write. The temporary file is gone afterwards either
    // way.
    bool publish(const std::string& temporary, const std::string& name, bool replace, bool& existed,
                 std::string& reason);

    // Removes a temporary file that is not to be published.
    void discard(const std::string& temporary);

    // The folder at path, held by the system's own means; null, with the reason, when it
    // cannot be opened.
    static std::unique_ptr<output_folder> open(const std::string& path, std::string& error);

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

// Opens the folder at path, which must exist. Null, with what is wrong in error, when it
// cannot be opened, or when check_writable is set and no file can be made in it.
std::unique_ptr<output_folder> open_output_folder(const std::string& path, bool check_writable,
                                                  std::string& error);

// From now on a stop (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl-C, Ctrl-Break, the console
// closed) removes the temporary files in the making before the process ends as the stop
// would end it. A signal the process was started ignoring stays ignored.
void remove_temporaries_on_stop();
