// Uncompressed BMP writing for the expected outputs of the sample disc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sample {

struct bgr_colour {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
};

// A picture as the extractor must write it. Pixels are top row first, rows packed without
// fill: one palette index per pixel for 4 and 8 bits (the writer puts two 4-bit indices in a
// byte), blue/green/red bytes for 24 bits.
struct bmp_picture {
    std::uint32_t width;
    std::uint32_t height;
    std::uint16_t bits;
    std::span<const std::uint8_t> pixels;
    std::span<const bgr_colour> palette; // 2^bits entries for 4 and 8 bits, empty for 24 bits
};

enum class bmp_status {
    ok,
    unsupported_bits,
    wrong_pixel_count,
    wrong_palette_size,
    index_out_of_range,
    buffer_too_small,
};

constexpr std::size_t bmp_header_size = 54;
constexpr std::size_t bmp_palette_entry_size = 4;

std::size_t bmp_row_stride(std::uint32_t width, std::uint16_t bits);
std::size_t bmp_palette_size(std::uint16_t bits);
// Zero for a bit depth the writer does not support.
std::size_t bmp_file_size(std::uint32_t width, std::uint32_t height, std::uint16_t bits);

// Writes the whole file into out, which must hold at least bmp_file_size() bytes.
bmp_status write_bmp(const bmp_picture& picture, std::span<std::uint8_t> out);

const char* bmp_status_text(bmp_status status);

} // namespace sample
