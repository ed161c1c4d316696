#include "encode/picture.hpp"

#include "encode/bmp_out.hpp"

#include <cstring>

bool image_fits(std::uint32_t width, std::uint32_t height, pixel_format format) {
    const std::uint16_t bits = bits_of(format);
    if (bits == 0 || width == 0 || height == 0 || width > image_side_limit ||
        height > image_side_limit) {
        return false;
    }
    // Every size must fit a BMP header's 32-bit fields.
    return std::uint64_t{width} * bits <= UINT32_MAX &&
           bmp_file_size(width, height, format) <= UINT32_MAX;
}

result<void> check_image(const image& p) {
    const bool indexed = is_indexed(p.format);
    const std::size_t palette_size = indexed ? std::size_t{1} << bits_of(p.format) : 0;
    if (!image_fits(p.width, p.height, p.format) || p.rows == nullptr ||
        p.stride < row_bytes(p.width, p.format) || p.palette.size() != palette_size ||
        (indexed && p.colour_key)) {
        return error{error_kind::bad_argument};
    }
    return {};
}

void copy_row(const image& p, std::uint32_t y, std::uint8_t* row) {
    const std::size_t size = row_bytes(p.width, p.format);
    std::memcpy(row, p.rows + std::size_t{y} * p.stride, size);
    const std::size_t spare_bits = size * 8 - std::size_t{p.width} * bits_of(p.format);
    row[size - 1] &= static_cast<std::uint8_t>(0xFF << spare_bits);
}
