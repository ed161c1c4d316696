// A finished picture as the encoders take it, and what every encoder accepts.
#pragma once

#include "core/status.hpp"

#include <cstdint>

struct picture {
    const std::uint8_t* palette = nullptr; // 2^bits entries of blue, green, red, 0; none at 24
    const std::uint8_t* pixels = nullptr;  // rows of bmp_stride(width, bits) bytes, top first
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    bool marker_transparent = false; // the marker colour (1, 1, 1) is see-through; 24 bits only
};

constexpr std::uint32_t bmp_file_header_size = 14;
constexpr std::uint32_t bmp_info_header_size = 40;
constexpr std::uint32_t bmp_headers_size = bmp_file_header_size + bmp_info_header_size;
constexpr std::uint16_t bits_indexed_limit = 16; // below it, pixels are palette indices
constexpr std::uint16_t bits_rgb = 24;

// Bytes in one row of a BMP file: width x bits rounded up to whole 32-bit words.
constexpr std::uint32_t bmp_stride(std::uint32_t width, std::uint16_t bits) {
    const std::uint32_t row_bits = width * bits;
    return row_bits % 32 == 0 ? row_bits / 8 : row_bits / 32 * 4 + 4;
}

// The widest or tallest picture written: BMP keeps the sides in signed 32-bit fields, and PNG
// in 31 bits.
constexpr std::uint32_t bmp_side_limit = 0x7FFFFFFF;

// Whether a picture can be written: a depth of 24, 8, 4 or 1 bits, neither side 0 nor past
// bmp_side_limit, and every size within a BMP header's 32-bit fields.
bool picture_fits(std::uint32_t width, std::uint32_t height, std::uint16_t bits);

// What every encoder refuses before a file is made: -501 for a picture that does not fit,
// no pixels, no palette below 24 bits, or a see-through marker on an indexed picture; else 0.
status check_picture(const picture& p);
