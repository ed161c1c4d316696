// Writing a picture as an uncompressed BMP file.
#pragma once

#include "app/errormes.hpp"

#include <cstdint>

constexpr std::uint32_t bmp_file_header_size = 14;
constexpr std::uint32_t bmp_info_header_size = 40;
constexpr std::uint32_t bmp_headers_size = bmp_file_header_size + bmp_info_header_size;

// Bytes in one row of a BMP file: width x bits rounded up to whole 32-bit words.
constexpr std::uint32_t bmp_stride(std::uint32_t width, std::uint16_t bits) {
    const std::uint32_t row_bits = width * bits;
    return row_bits % 32 == 0 ? row_bits / 8 : row_bits / 32 * 4 + 4;
}

// The widest or tallest picture written: BMP keeps the sides in signed 32-bit fields, and PNG
// in 31 bits.
constexpr std::uint32_t bmp_side_limit = 0x7FFFFFFF;

// Whether a picture can be written: a depth of 24, 8, 4 or 1 bits, neither side 0 nor past
// bmp_side_limit, and every size within a BMP header's 32-bit fields. The PNG writer takes
// exactly the pictures that this takes.
bool picture_fits(std::uint32_t width, std::uint32_t height, std::uint16_t bits);

// Writes name from rows of bmp_stride(width, bits) bytes, top row first, and a palette
// of 2^bits entries (absent for 24 bits), then prints "done > name". Returns 0; -501
// for bad arguments or a picture that does not fit (nothing created); -602 when the file
// cannot be created or written (a partly written file is removed).
status bmp_out(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
               std::uint32_t width, std::uint32_t height, std::uint16_t bits);
