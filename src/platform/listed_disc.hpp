// A disc whose root is listed once, when it is opened, for the kinds that can list it (a
// folder, an image, a disc in memory): every name is then looked up in that list, so a run
// costs one listing however many files it reads.
#pragma once

#include "platform/disc.hpp"

#include <cstddef>
#include <string>
#include <vector>

class listed_disc : public disc {
  public:
    disc_read read(const char* name, std::uint8_t* buffer, std::uint32_t capacity) const final;
    std::vector<std::string> search(const char* pattern) const final;

  protected:
    explicit listed_disc(std::string root) : disc(std::move(root)) {}

    // Takes the root's files as the kind listed them: file i is names[i], as stored.
    // Names as they are to be shown; unsafe names and repeats are left out.
    void set_listing(const std::vector<std::string>& names);

    // Reads file number `file` of the listing.
    virtual disc_read read_file(std::size_t file, std::uint8_t* buffer,
                                std::uint32_t capacity) const = 0;

  private:
    struct entry {
        std::string folded; // lower case, the key every lookup starts from
        std::string name;   // as shown
        std::size_t file;
    };
    // By folded name, then by name in byte order.
    std::vector<entry> entries_;
};
