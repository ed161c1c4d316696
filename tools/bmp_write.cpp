#include "bmp_write.hpp"

#include <algorithm>

namespace sample {
namespace {

constexpr std::uint16_t bits_nibble = 4;
constexpr std::uint16_t bits_indexed = 8;
constexpr std::uint16_t bits_true_colour = 24;
constexpr int nibble_shift = 4; // the left pixel of a byte sits in its high nibble

constexpr std::size_t off_magic = 0;
constexpr std::size_t off_file_size = 2;
constexpr std::size_t off_reserved1 = 6;
constexpr std::size_t off_reserved2 = 8;
constexpr std::size_t off_pixel_offset = 10;
constexpr std::size_t off_info_size = 14;
constexpr std::size_t off_width = 18;
constexpr std::size_t off_height = 22;
constexpr std::size_t off_planes = 26;
constexpr std::size_t off_bits = 28;
constexpr std::size_t off_compression = 30;
constexpr std::size_t off_image_size = 34;
constexpr std::size_t off_x_resolution = 38;
constexpr std::size_t off_y_resolution = 42;
constexpr std::size_t off_colours_used = 46;
constexpr std::size_t off_colours_important = 50;

constexpr std::uint32_t info_header_size = 40;
constexpr std::uint16_t plane_count = 1;
constexpr std::uint32_t compression_none = 0;
constexpr std::size_t row_alignment = 4;

bool bits_supported(std::uint16_t bits) {
    return bits == bits_nibble || bits == bits_indexed || bits == bits_true_colour;
}

bool is_indexed(std::uint16_t bits) {
    return bits == bits_nibble || bits == bits_indexed;
}

// Bytes of one row as the caller hands it over: an index per pixel, or three colour bytes.
std::size_t packed_row_size(std::uint32_t width, std::uint16_t bits) {
    return is_indexed(bits) ? width : std::size_t{width} * (bits / 8);
}

void put_row(std::span<const std::uint8_t> source, std::uint16_t bits,
             std::span<std::uint8_t> out) {
    if (bits != bits_nibble) {
        std::copy(source.begin(), source.end(), out.begin());
        return;
    }
    for (std::size_t x = 0; x < source.size(); ++x) {
        const int shift = x % 2 == 0 ? nibble_shift : 0;
        out[x / 2] |= static_cast<std::uint8_t>(source[x] << shift);
    }
}

void put_u16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_u32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

std::size_t bmp_row_stride(std::uint32_t width, std::uint16_t bits) {
    const std::size_t row_bits = std::size_t{width} * bits;
    const std::size_t row_bytes = (row_bits + 7) / 8;
    return (row_bytes + row_alignment - 1) / row_alignment * row_alignment;
}

std::size_t bmp_palette_size(std::uint16_t bits) {
    return is_indexed(bits) ? (std::size_t{1} << bits) * bmp_palette_entry_size : 0;
}

std::size_t bmp_file_size(std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    if (!bits_supported(bits)) {
        return 0;
    }
    return bmp_header_size + bmp_palette_size(bits) + bmp_row_stride(width, bits) * height;
}

bmp_status write_bmp(const bmp_picture& picture, std::span<std::uint8_t> out) {
    if (!bits_supported(picture.bits)) {
        return bmp_status::unsupported_bits;
    }
    const std::size_t packed_row = packed_row_size(picture.width, picture.bits);
    if (picture.pixels.size() != packed_row * picture.height) {
        return bmp_status::wrong_pixel_count;
    }
    const std::size_t palette_size = bmp_palette_size(picture.bits);
    if (picture.palette.size() * bmp_palette_entry_size != palette_size) {
        return bmp_status::wrong_palette_size;
    }
    if (is_indexed(picture.bits) &&
        std::any_of(picture.pixels.begin(), picture.pixels.end(),
                    [&](std::uint8_t index) { return index >= picture.palette.size(); })) {
        return bmp_status::index_out_of_range;
    }
    const std::size_t file_size = bmp_file_size(picture.width, picture.height, picture.bits);
    if (out.size() < file_size) {
        return bmp_status::buffer_too_small;
    }
    const std::size_t stride = bmp_row_stride(picture.width, picture.bits);
    const std::size_t image_size = stride * picture.height;

    std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(file_size), 0);
    out[off_magic] = 'B';
    out[off_magic + 1] = 'M';
    put_u32(out, off_file_size, static_cast<std::uint32_t>(file_size));
    put_u16(out, off_reserved1, 0);
    put_u16(out, off_reserved2, 0);
    put_u32(out, off_pixel_offset, static_cast<std::uint32_t>(bmp_header_size + palette_size));
    put_u32(out, off_info_size, info_header_size);
    put_u32(out, off_width, picture.width);
    put_u32(out, off_height, picture.height);
    put_u16(out, off_planes, plane_count);
    put_u16(out, off_bits, picture.bits);
    put_u32(out, off_compression, compression_none);
    put_u32(out, off_image_size, static_cast<std::uint32_t>(image_size));
    put_u32(out, off_x_resolution, 0);
    put_u32(out, off_y_resolution, 0);
    put_u32(out, off_colours_used, 0);
    put_u32(out, off_colours_important, 0);

    std::size_t at = bmp_header_size;
    for (const bgr_colour& entry : picture.palette) {
        out[at] = entry.blue;
        out[at + 1] = entry.green;
        out[at + 2] = entry.red;
        out[at + 3] = 0;
        at += bmp_palette_entry_size;
    }

    // Bottom row first; the fill bytes at each row's end stay zero.
    for (std::size_t row = 0; row < picture.height; ++row) {
        const std::size_t source_row = picture.height - 1 - row;
        put_row(picture.pixels.subspan(source_row * packed_row, packed_row), picture.bits,
                out.subspan(at + row * stride, stride));
    }
    return bmp_status::ok;
}

const char* bmp_status_text(bmp_status status) {
    switch (status) {
    case bmp_status::ok:
        return "ok";
    case bmp_status::unsupported_bits:
        return "unsupported bit depth";
    case bmp_status::wrong_pixel_count:
        return "pixel data does not match the size";
    case bmp_status::wrong_palette_size:
        return "palette does not match the bit depth";
    case bmp_status::index_out_of_range:
        return "pixel index past the palette";
    case bmp_status::buffer_too_small:
        return "output buffer too small";
    }
    return "unknown status";
}

} // namespace sample
