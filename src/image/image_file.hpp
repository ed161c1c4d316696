// The one thing an image needs of the system: a file (a regular file or a block device)
// read at an offset. Each platform supplies it; everything above it is the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

class image_file {
  public:
    virtual ~image_file() = default;

    // Reads up to count bytes from offset into out. delivered gets the bytes read: fewer than
    // count only where the file ends. False when the system could not read them.
    virtual bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                         std::size_t& delivered) const = 0;

    // Its size in bytes, as it was when it was opened.
    virtual std::uint64_t size() const = 0;
};
