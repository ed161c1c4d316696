// A finished image as the encoders take it, and what every encoder accepts. Each encoder lays
// out its own rows: the image's rows are the pixels alone, at a stride the image chooses.
#pragma once

#include "core/error.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// How a pixel is stored in the image's rows.
enum class pixel_format : std::uint8_t {
    index1, // palette indices, eight to a byte, the leftmost in the high bits
    index4, // two to a byte, the leftmost in the high bits
    index8,
    bgr8, // blue, green, red: a byte each
};

constexpr std::uint16_t bits_of(pixel_format format) {
    switch (format) {
    case pixel_format::index1:
        return 1;
    case pixel_format::index4:
        return 4;
    case pixel_format::index8:
        return 8;
    case pixel_format::bgr8:
        return 24;
    }
    return 0;
}

constexpr bool is_indexed(pixel_format format) {
    return format != pixel_format::bgr8;
}

struct rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const rgb&) const = default;
};

struct image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    pixel_format format = pixel_format::bgr8;
    const std::uint8_t* rows = nullptr; // the top row first
    std::size_t stride = 0;             // bytes from the start of one row to the next
    std::span<const rgb> palette;       // 2^bits entries for the indexed formats; none else
    std::optional<rgb> colour_key;      // pixels of exactly this colour are see-through; bgr8
};

// Bytes of a row's pixels, the last byte's spare bits included.
constexpr std::size_t row_bytes(std::uint32_t width, pixel_format format) {
    return (std::size_t{width} * bits_of(format) + 7) / 8;
}

// Bytes in one row of a BMP file: width x bits rounded up to whole 32-bit words.
constexpr std::uint32_t bmp_stride(std::uint32_t width, std::uint16_t bits) {
    const std::uint32_t row_bits = width * bits;
    return row_bits % 32 == 0 ? row_bits / 8 : row_bits / 32 * 4 + 4;
}

constexpr std::uint32_t bmp_headers_size = 54; // file header and information header

// The widest or tallest image written: BMP keeps the sides in signed 32-bit fields, and PNG
// in 31 bits.
constexpr std::uint32_t image_side_limit = 0x7FFFFFFF;

// Whether an image of that size can be written: neither side 0 nor past image_side_limit, and
// every size within a BMP header's 32-bit fields.
bool image_fits(std::uint32_t width, std::uint32_t height, pixel_format format);

// What every encoder refuses before a file is made (bad_argument): an image that does not
// fit, no rows, a stride shorter than a row, a palette not of 2^bits entries, a colour key on
// an indexed image.
result<void> check_image(const image& p);

// Copies row y's pixels, row_bytes of them, into row (of at least that size), with the bits
// after the last pixel cleared: a file holds nothing from outside the image.
void copy_row(const image& p, std::uint32_t y, std::uint8_t* row);
