// The disc of one run: the files of its root directory, read by name, and the names that
// match a pattern. Made once, when the run starts; a folder, a disc image, a drive of the
// system and a disc held in memory are its kinds, and every kind takes the same names.
#pragma once

#include "core/error.hpp"
#include "platform/file_facts.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What reading one file gave.
struct disc_read {
    bool found = false;      // the disc has a file of that name and it could be opened
    bool failed = false;     // it broke off before the end of the file or the capacity
    std::uint32_t count = 0; // bytes delivered
};

class disc {
  public:
    virtual ~disc() = default;
    disc(const disc&) = delete;
    disc& operator=(const disc&) = delete;

    // How messages name a file: the root followed by its name ("q:\" and "TITLE.SEQ" make
    // "q:\TITLE.SEQ").
    std::string path_of(const char* name) const { return root_ + name; }

    // Reads as much of the root file `name` as fits into buffer (capacity bytes). Names
    // match exactly first, then without regard to case.
    virtual disc_read read(const char* name, std::uint8_t* buffer,
                           std::uint32_t capacity) const = 0;

    // The names of the root's files (never folders) that match pattern without regard to
    // case: * stands for any run of characters, ? for any one.
    virtual std::vector<std::string> search(const char* pattern) const = 0;

    // Where the disc was found, as a path the user could type ("./q:", "game.cue"); empty
    // when nothing was found.
    const std::string& place() const { return place_; }
    void set_place(std::string place) { place_ = std::move(place); }

    // Whether the file is one the disc is read from (an image, a sheet's track, a file of
    // its folder): a file the program writes must never be one of them.
    virtual bool reads(const file_identity& file) const {
        for (const file_identity& read : files_read_) {
            if (read.same_as(file)) {
                return true;
            }
        }
        return false;
    }
    // Notes a file the disc is read from.
    void add_file_read(const file_identity& file) { files_read_.push_back(file); }

  protected:
    explicit disc(std::string root) : root_(std::move(root)) {}

  private:
    std::string root_;
    std::string place_;
    std::vector<file_identity> files_read_;
};

// A drive as the dialogue reads it: always a disc, an empty one (every read misses, every
// search comes back empty) when nothing readable stands where the letter leads, and then why.
struct drive_disc {
    std::unique_ptr<disc> found;
    std::optional<error> why_empty;
};

// The disc in the drive that root names ("q:\").
drive_disc open_drive(const char* root);

// The disc a command line names: a drive letter ("q", "q:", "q:\"), a folder, or an image;
// the error when there is no such thing to read. Messages name files as the source was
// written: q:\NAME, FOLDER/NAME, IMAGE:NAME.
result<std::unique_ptr<disc>> open_source(const std::string& source);

// A disc with no files, named by root.
std::unique_ptr<disc> open_empty_disc(std::string root);

// The disc images this build reads, for --version.
std::string disc_image_support();
