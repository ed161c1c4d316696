#include "encode/bmp_out.hpp"

#include "platform/heap.hpp"

#include <cstring>

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

constexpr std::uint32_t bmp_file_header_size = 14;
constexpr std::uint32_t bmp_info_header_size = 40;
static_assert(bmp_file_header_size + bmp_info_header_size == bmp_headers_size);
constexpr std::uint16_t bmp_signature = 0x4D42; // "BM"
constexpr std::uint16_t bmp_planes = 1;
// A palette entry: blue, green, red, and a byte that stays 0.
constexpr std::uint32_t palette_entry_bytes = 4;
constexpr std::size_t entry_blue = 0;
constexpr std::size_t entry_green = 1;
constexpr std::size_t entry_red = 2;
constexpr std::uint32_t palette_entries_limit = 256;

std::uint32_t palette_bytes(pixel_format format) {
    return is_indexed(format) ? (1u << bits_of(format)) * palette_entry_bytes : 0;
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

std::uint64_t bmp_file_size(std::uint32_t width, std::uint32_t height, pixel_format format) {
    // As bmp_stride, in 64 bits: a row of any width counts.
    const std::uint64_t stride = (std::uint64_t{width} * bits_of(format) + 31) / 32 * 4;
    return stride * height + palette_bytes(format) + bmp_headers_size;
}

result<void> bmp_out(const byte_sink& sink, const image& p) {
    if (result<void> checked = check_image(p); !checked) {
        return checked;
    }
    const std::uint16_t bits = bits_of(p.format);
    const std::uint32_t palette_size = palette_bytes(p.format);
    const std::uint32_t stride = bmp_stride(p.width, bits);
    const std::uint32_t image_size = stride * p.height;

    std::uint8_t header[bmp_headers_size] = {};
    put16(header + off_signature, bmp_signature);
    put32(header + off_file_size, palette_size + image_size + bmp_headers_size);
    put32(header + off_pixel_offset, palette_size + bmp_headers_size);
    put32(header + off_info_size, bmp_info_header_size);
    put32(header + off_width, p.width);
    put32(header + off_height, p.height); // positive: rows bottom-up
    put16(header + off_planes, bmp_planes);
    put16(header + off_bits, bits);
    put32(header + off_image_size, image_size);

    std::uint8_t palette[palette_entries_limit * palette_entry_bytes] = {};
    for (std::size_t i = 0; i < p.palette.size() && i < palette_entries_limit; ++i) {
        std::uint8_t* entry = palette + i * palette_entry_bytes;
        entry[entry_blue] = p.palette[i].blue;
        entry[entry_green] = p.palette[i].green;
        entry[entry_red] = p.palette[i].red;
    }
    // A row's pixels, and the zeros that fill it to whole 32-bit words.
    const heap_block row = heap_take(stride);
    if (!row) {
        return error{error_kind::no_memory};
    }
    const std::size_t used = row_bytes(p.width, p.format);
    // Rows whose last byte has no spare bits go out as the image holds them, uncopied.
    const bool whole_bytes = used * 8 == std::size_t{p.width} * bits;

    result<void> written = put_bytes(sink, header, sizeof header);
    if (written && palette_size != 0) {
        written = put_bytes(sink, palette, palette_size);
    }
    // The file wants the bottom row first.
    for (std::uint32_t y = p.height; written && y > 0; --y) {
        if (!whole_bytes) {
            copy_row(p, y - 1, row.get());
            written = put_bytes(sink, row.get(), stride);
            continue;
        }
        written = put_bytes(sink, p.rows + std::size_t{y - 1} * p.stride, used);
        if (written && used != stride) {
            written = put_bytes(sink, row.get() + used, stride - used);
        }
    }
    return written;
}
