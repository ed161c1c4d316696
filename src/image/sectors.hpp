// The 2048-byte sectors of a disc's data track, wherever an image keeps them: one behind
// the other (an .iso or a drive), or framed in raw 2352-byte frames (a .bin dump).
#pragma once

#include "image/image_file.hpp"

#include <cstdint>
#include <memory>
#include <vector>

constexpr std::uint32_t sector_size = 2048;

// Where an image keeps a sector's data: each frame_size bytes, data_at bytes in.
struct framing {
    std::uint32_t frame_size;
    std::uint32_t data_at;
};

// A raw frame: 00, ten FF, 00 (the sync), its address, its mode; the data follows the
// header in mode 1, and the header and an 8-byte subheader in mode 2 form 1.
constexpr std::uint32_t raw_frame_size = 2352;
constexpr framing plain_sectors = {sector_size, 0};
constexpr framing raw_mode1 = {raw_frame_size, 16};
constexpr framing raw_mode2 = {raw_frame_size, 24};

class sector_source {
  public:
    virtual ~sector_source() = default;

    // Reads count sectors from first into out (count x 2048 bytes of room). delivered gets
    // the bytes read: fewer only where the image ends, inside or before the last sector.
    // False when a sector could not be read, or when first lies past the image's end.
    virtual bool read(std::uint64_t first, std::uint32_t count, std::uint8_t* out,
                      std::size_t& delivered) const = 0;

    // The sectors the image holds, the last of them perhaps cut short.
    virtual std::uint64_t sectors() const = 0;
};

// The sectors of a track that starts start bytes into file, framed as f.
std::unique_ptr<sector_source> framed_track(std::unique_ptr<image_file> file, framing f,
                                            std::uint64_t start);
