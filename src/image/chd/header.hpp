// CHD images (compressed hunks of data), version 5 of CD-ROMs: a 124-byte big-endian header,
// a map of the hunks (each hunk a run of frames, 2352 bytes of frame and 96 of subcode
// apiece, compressed on its own), the hunks, and metadata naming the tracks.
#pragma once

#include "core/error.hpp"
#include "image/image_file.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr std::string_view chd_tag = "MComprHD";
constexpr std::string_view chd_name = "CHD"; // as the image's errors name the format
constexpr std::uint32_t chd_version = 5;
constexpr std::size_t chd_header_size = 124;
constexpr std::size_t chd_codec_slots = 4;

// A frame as the image keeps it: the 2352 bytes of the sector, then its 96 of subcode.
constexpr std::uint32_t cd_sector_bytes = 2352;
constexpr std::uint32_t cd_subcode_bytes = 96;
constexpr std::uint32_t cd_frame_bytes = cd_sector_bytes + cd_subcode_bytes;
// A hundred minutes of frames, more than any CD holds: the most an image's figures may say.
constexpr std::uint64_t cd_most_frames = 100 * 60 * 75;
// The largest hunk read: the tools make 8 frames; a map's length field takes 24 bits.
constexpr std::uint32_t chd_largest_hunk = 1u << 20;

constexpr std::uint32_t fourcc(const char (&code)[5]) {
    return std::uint32_t{static_cast<std::uint8_t>(code[0])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(code[1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(code[2])} << 8 |
           std::uint32_t{static_cast<std::uint8_t>(code[3])};
}

// The CD codecs: the frames' bytes and the subcode each through a general codec.
constexpr std::uint32_t codec_cd_lzma = fourcc("cdlz"); // LZMA, subcode deflate
constexpr std::uint32_t codec_cd_zlib = fourcc("cdzl"); // deflate, deflate
constexpr std::uint32_t codec_cd_zstd = fourcc("cdzs"); // zstd, zstd
constexpr std::uint32_t codec_cd_flac = fourcc("cdfl"); // FLAC, subcode deflate

struct chd_header {
    std::uint32_t codecs[chd_codec_slots] = {}; // 0: none; codecs[0] == 0, hunks as they are
    std::uint64_t logical_bytes = 0;
    std::uint64_t map_offset = 0;
    std::uint64_t meta_offset = 0;
    std::uint32_t hunk_bytes = 0;
    std::uint32_t hunk_count = 0;
    std::uint32_t frames_per_hunk = 0;
};

// Exactly count bytes of file from offset into out; false when fewer are there or they do not
// read.
bool read_exactly(const image_file& file, std::uint64_t offset, std::uint8_t* out,
                  std::size_t count);

std::uint16_t get_be16(const std::uint8_t* p);
std::uint32_t get_be24(const std::uint8_t* p);
std::uint32_t get_be32(const std::uint8_t* p);
std::uint64_t get_be48(const std::uint8_t* p);
std::uint64_t get_be64(const std::uint8_t* p);

// An error of the image at path, which names the format.
error chd_error(error_kind kind, const std::string& path);
// The image ends before end, which its tables reach to.
error chd_cut_short(const std::string& path, std::uint64_t end, std::uint64_t size);

// The header, checked: version 5, a CD's frames in hunks of whole frames, CD codecs, no
// parent, figures that fit the file.
result<chd_header> read_chd_header(const image_file& file, const std::string& path);

// What a hunk's entry in the map says.
enum class hunk_kind : std::uint8_t {
    codec,     // compressed by codecs[codec], length bytes at offset
    stored,    // hunk_bytes as they are, at offset
    copy,      // the same as hunk number offset
    parent,    // in the parent image, which is not read
    unwritten, // never written: zeros
};

struct hunk_entry {
    hunk_kind kind = hunk_kind::unwritten;
    std::uint8_t codec = 0;
    std::uint32_t length = 0;
    std::uint64_t offset = 0;
};

// The map, as decoded: 12 bytes a hunk (type, 24-bit length, 48-bit offset, CRC-16), or for
// an image of stored hunks 4 bytes a hunk (its offset in hunks).
struct chd_map {
    std::vector<std::uint8_t> entries;
    bool compressed = false;
    std::uint32_t hunk_bytes = 0;
};

constexpr std::size_t map_entry_bytes = 12;
constexpr std::size_t stored_map_entry_bytes = 4;

// The map, read and checked against its CRC, every hunk inside the file.
result<chd_map> read_chd_map(const image_file& file, const chd_header& header,
                             const std::string& path);

hunk_entry entry_of(const chd_map& map, std::uint32_t hunk);
