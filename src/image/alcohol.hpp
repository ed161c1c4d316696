// Alcohol 120% images: a descriptor (.mds: binary, little-endian) of sessions and their
// tracks, and beside it the disc's sectors (.mdf) as the descriptor frames them.
#pragma once

#include "image/image_formats.hpp"
#include "image/sectors.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The most of a descriptor read: its blocks and names take a few KiB, and any protection
// data that follows them is not needed.
constexpr std::size_t largest_alcohol_descriptor = 1u << 20;

struct alcohol_data_track {
    framing frames{};
    std::uint64_t start = 0; // bytes into the .mdf where the track's first sector lies
    std::string file;        // as named; ".mdf" for "*.mdf", the descriptor's own name
};

enum class alcohol_reading {
    data_track,
    not_a_descriptor, // no signature, or a version whose blocks are not these
    damaged,          // a count, an offset or a name that runs past the bytes read
    no_data_track,    // audio tracks alone
};

// The first data track of a descriptor (mode 1, mode 2 or mode 2 form 1; the lowest
// track number of any session).
alcohol_reading read_alcohol_descriptor(std::span<const std::uint8_t> bytes,
                                        alcohol_data_track& track);

// Alcohol as an image format: told by the descriptor's signature. A .mdf, told by its name
// where its content does not tell, is opened through the descriptor beside it.
bool probe_alcohol(const image_file& file);
result<opened_image> open_alcohol(std::unique_ptr<image_file> file, const std::string& path,
                                  file_beside beside);
