// A CHD image's metadata: a chain of entries (a tag, flags and a 24-bit length, the next
// entry's offset, the data), of which the track entries tell where the data track lies.
#pragma once

#include "core/error.hpp"
#include "image/chd/header.hpp"
#include "image/image_file.hpp"

#include <cstdint>
#include <string>
#include <string_view>

constexpr std::uint32_t meta_track = fourcc("CHT2");     // with the pregap's figures
constexpr std::uint32_t meta_old_track = fourcc("CHTR"); // without
// Tracks start on a multiple of this many frames; the frames between are padding.
constexpr std::uint32_t track_padding_frames = 4;
constexpr std::uint32_t most_tracks = 99;

// One track's entry: "TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:1000 PREGAP:150
// PGTYPE:VMODE1_RAW PGSUB:RW POSTGAP:0". A PGTYPE of V... keeps the pregap in the image.
struct chd_track {
    std::uint32_t number = 0;
    std::uint32_t frames = 0;         // in the image, the pregap's among them where kept
    std::uint32_t pregap_in_file = 0; // frames before the track's first sector
    std::uint32_t data_at = 0;        // where a sector's 2048 bytes lie in its frame
    bool data = false;                // a track of 2048-byte sectors
};

// Reads one entry's text. False when it is no track's.
bool read_track_text(std::string_view text, chd_track& track);

// The first data track: its first sector's frame among the image's, its sectors, where
// the data lies in a frame.
struct chd_data_track {
    std::uint64_t first_frame = 0;
    std::uint64_t frames = 0;
    std::uint32_t data_at = 0;
};

result<chd_data_track> find_data_track(const image_file& file, const chd_header& header,
                                       const std::string& path);
