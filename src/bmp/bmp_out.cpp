#include "bmp/bmp_out.hpp"

#include "platform/console.hpp"
#include "platform/output_file.hpp"

#include <cstdio>

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
constexpr std::uint16_t bits_indexed_limit = 16;
constexpr std::uint32_t palette_entry_bytes = 4;
constexpr std::size_t write_buffer_size = 128 * 1024;

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

bool write_all(std::FILE* file, const std::uint8_t* bytes, std::size_t count) {
    return std::fwrite(bytes, 1, count, file) == count;
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
    const std::uint64_t palette_size =
        bits < bits_indexed_limit ? (std::uint64_t{1} << bits) * palette_entry_bytes : 0;
    return row_bits <= UINT32_MAX &&
           std::uint64_t{bmp_stride(width, bits)} * height + palette_size + bmp_headers_size <=
               UINT32_MAX;
}

status bmp_out(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
               std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    if (!picture_fits(width, height, bits)) {
        return err_argument;
    }
    const bool indexed = bits < bits_indexed_limit;
    if ((indexed && palette == nullptr) || pixels == nullptr || name == nullptr) {
        return err_argument;
    }
    const std::uint32_t palette_size = indexed ? (1u << bits) * palette_entry_bytes : 0;
    const std::uint32_t stride = bmp_stride(width, bits);
    const std::uint32_t image_size = stride * height;

    std::uint8_t header[bmp_headers_size] = {};
    put16(header + off_signature, bmp_signature);
    put32(header + off_file_size, palette_size + image_size + bmp_headers_size);
    put32(header + off_pixel_offset, palette_size + bmp_headers_size);
    put32(header + off_info_size, bmp_info_header_size);
    put32(header + off_width, width);
    put32(header + off_height, height); // positive: rows bottom-up
    put16(header + off_planes, bmp_planes);
    put16(header + off_bits, bits);
    put32(header + off_image_size, image_size);

    std::FILE* file = create_output_file(name);
    if (file == nullptr) {
        return err_write;
    }
    // Rows go out one by one; a buffer that holds most pictures whole saves the system calls.
    char buffer[write_buffer_size] = {};
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
    bool ok = write_all(file, header, sizeof header);
    if (ok && indexed) {
        ok = write_all(file, palette, palette_size);
    }
    // The file wants the bottom row first.
    for (std::uint32_t row = height; ok && row > 0; --row) {
        ok = write_all(file, pixels + std::size_t{row - 1} * stride, stride);
    }
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        // A full disk must not leave a truncated picture that looks finished.
        std::remove(name);
        return err_write;
    }
    con_done(name);
    return st_ok;
}
