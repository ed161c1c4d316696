// Nero images (.nrg): the disc's tracks one after the other, then a list of chunks
// (big-endian) that says where each lies and how it is framed, then a footer that points
// at the list: "NERO" and a 4-byte offset (the first version) or "NER5" and an 8-byte one.
#pragma once

#include "image/image_formats.hpp"
#include "image/sectors.hpp"

#include <cstddef>
#include <cstdint>
#include <span>

// The longest chunk list read: a disc's takes a few hundred bytes a track.
constexpr std::size_t largest_nero_chunk_list = 1u << 20;

// Where the chunk list lies: from its offset to the footer.
struct nero_footer {
    std::uint64_t chunks_at = 0;
    std::uint64_t chunks_end = 0;
};

// The footer at the end of a file of size bytes, whose last bytes are tail (up to 12).
// False when there is none.
bool read_nero_footer(std::span<const std::uint8_t> tail, std::uint64_t size, nero_footer& footer);

struct nero_data_track {
    framing frames{};
    std::uint64_t start = 0; // bytes into the file where the track's index 1 lies
};

enum class nero_reading {
    data_track,
    damaged,       // a chunk cut short, an offset outside the tracks, no end chunk
    no_data_track, // audio tracks alone
};

// The first data track the chunk list names, whether written at once (DAOX, DAOI) or
// track at once (ETN2, ETNF). Its tracks lie before tracks_end.
nero_reading read_nero_chunks(std::span<const std::uint8_t> chunks, std::uint64_t tracks_end,
                              nero_data_track& track);

// Nero as an image format: told by its footer, opened to the data track in the file itself.
bool probe_nero(const image_file& file);
result<opened_image> open_nero(std::unique_ptr<image_file> file, const std::string& path,
                               file_beside beside);
