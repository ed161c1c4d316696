// CloneCD images: a control file (.ccd) of sections and keys, and beside it the disc's frames
// (.img, 2352 bytes each, the whole disc from sector 0). The subchannel file (.sub) is not
// needed.
#pragma once

#include "image/image_formats.hpp"
#include "image/sectors.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

// The largest control file read: a disc's takes a few KiB.
constexpr std::size_t largest_clonecd_control = 1u << 20;

struct clonecd_data_track {
    framing frames{};        // raw mode 1 or mode 2
    std::uint64_t start = 0; // bytes into the .img where the track's INDEX 1 lies
};

// The first data track of a control file: the [TRACK n] of the lowest n whose MODE is 1 or 2,
// at its INDEX 1 sector. False when it names none.
bool read_clonecd_control(std::string_view text, clonecd_data_track& track);

// CloneCD as an image format: told by the control file's first section, opened to the data
// track of the .img beside it, of the control file's name.
bool probe_clonecd(const image_file& file);
result<opened_image> open_clonecd(std::unique_ptr<image_file> file, const std::string& path,
                                  file_beside beside);
