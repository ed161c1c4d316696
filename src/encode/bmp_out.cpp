#include "encode/bmp_out.hpp"

namespace {

// File header fields.
constexpr std::uint32_t off_signature = 0;
constexpr std::uint32_t off_file_size = 2;
constexpr std::uint32_t off_pixel_offset = 10;
// Information header fields.
constexpr std::uint32_t off_info_size = 14;
constexpr std::uint32_t off_width = 18;
constexpr std::uint32_t off_height = 22;
constexpr std::uint32_t off_planes = 26;
constexpr std::uint32_t off_bits = 28;
constexpr std::uint32_t off_image_size = 34;
// Reserved words, compression, resolutions and colour counts stay 0.

constexpr std::uint16_t bmp_signature = 0x4D42; // "BM"
constexpr std::uint16_t bmp_planes = 1;
constexpr std::uint32_t palette_entry_bytes = 4;

std::uint32_t palette_bytes(std::uint16_t bits) {
    return bits < bits_indexed_limit ? (1u << bits) * palette_entry_bytes : 0;
}

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

} // namespace

bool picture_fits(std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    if (bits != 24 && bits != 8 && bits != 4 && bits != 1) {
        return false;
    }
    if (width == 0 || height == 0 || width > bmp_side_limit || height > bmp_side_limit) {
        return false;
    }
    // Every size must fit the header's 32-bit fields.
    const std::uint64_t row_bits = std::uint64_t{width} * bits;
    return row_bits <= UINT32_MAX && std::uint64_t{bmp_stride(width, bits)} * height +
                                             palette_bytes(bits) + bmp_headers_size <=
                                         UINT32_MAX;
}

status check_picture(const picture& p) {
    if (!picture_fits(p.width, p.height, p.bits) || p.pixels == nullptr) {
        return err_argument;
    }
    const bool indexed = p.bits < bits_indexed_limit;
    if (indexed && (p.palette == nullptr || p.marker_transparent)) {
        return err_argument;
    }
    return st_ok;
}

result<void> bmp_out(const byte_sink& sink, const picture& p) {
    if (check_picture(p) != st_ok) {
        return error{error_kind::bad_argument};
    }
    const std::uint32_t palette_size = palette_bytes(p.bits);
    const std::uint32_t stride = bmp_stride(p.width, p.bits);
    const std::uint32_t image_size = stride * p.height;

    std::uint8_t header[bmp_headers_size] = {};
    put16(header + off_signature, bmp_signature);
    put32(header + off_file_size, palette_size + image_size + bmp_headers_size);
    put32(header + off_pixel_offset, palette_size + bmp_headers_size);
    put32(header + off_info_size, bmp_info_header_size);
    put32(header + off_width, p.width);
    put32(header + off_height, p.height); // positive: rows bottom-up
    put16(header + off_planes, bmp_planes);
    put16(header + off_bits, p.bits);
    put32(header + off_image_size, image_size);

    result<void> written = put_bytes(sink, header, sizeof header);
    if (written && palette_size != 0) {
        written = put_bytes(sink, p.palette, palette_size);
    }
    // The file wants the bottom row first.
    for (std::uint32_t row = p.height; written && row > 0; --row) {
        written = put_bytes(sink, p.pixels + std::size_t{row - 1} * stride, stride);
    }
    return written;
}
