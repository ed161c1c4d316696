// The BMP writer, with the sizes and depths its callers can pass. Input: picture_input.hpp.
#include "encode/bmp_out.hpp"
#include "picture_input.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t off_file_size = 2;
constexpr std::size_t off_pixel_offset = 10;
constexpr std::size_t off_width = 18;
constexpr std::size_t off_height = 22;
constexpr std::size_t off_bits = 28;

[[noreturn]] void fail(const char* what, long expected, long got) {
    std::fprintf(stderr, "fuzz_bmp: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

std::uint32_t get32(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint32_t{file[at]} | (std::uint32_t{file[at + 1]} << 8) |
           (std::uint32_t{file[at + 2]} << 16) | (std::uint32_t{file[at + 3]} << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    picture_input p;
    if (!read_picture_input(data, size, p)) {
        return 0;
    }
    const std::uint32_t width = p.width;
    const std::uint32_t height = p.height;
    const std::uint16_t bits = p.bits;
    const std::uint32_t stride = p.stride;
    const std::uint32_t palette_size = p.palette_size;
    const byte_block& palette = p.palette;
    const byte_block& pixels = p.pixels;

    const file_handle out = temporary_file();
    const status result = bmp_out(out.get(), p.view());
    // The caller takes the file's size from where the writer left it.
    const long end = std::ftell(out.get());
    const std::vector<std::uint8_t> file = contents_of(out.get());
    // Nothing to draw, or a see-through marker among palette indices: refused unwritten.
    if (width == 0 || height == 0 || (bits != bits_rgb && p.marker_transparent)) {
        if (result != err_argument || !file.empty()) {
            fail("refused, nothing written", err_argument, result);
        }
        return 0;
    }
    if (result != st_ok) {
        fail("bmp_out", st_ok, result);
    }
    if (end != static_cast<long>(file.size())) {
        fail("left at the end of the file", static_cast<long>(file.size()), end);
    }

    const std::size_t expected_size =
        bmp_headers_size + palette_size + std::size_t{stride} * height;
    if (file.size() != expected_size || get32(file, off_file_size) != file.size()) {
        fail("file size", static_cast<long>(expected_size), static_cast<long>(file.size()));
    }
    if (get32(file, off_pixel_offset) != bmp_headers_size + palette_size ||
        get32(file, off_width) != width || get32(file, off_height) != height ||
        (file[off_bits] | (file[off_bits + 1] << 8)) != bits) {
        fail("header fields", width, get32(file, off_width));
    }
    if (palette_size != 0 &&
        std::memcmp(file.data() + bmp_headers_size, palette.get(), palette_size) != 0) {
        fail("palette", 0, 1);
    }
    // Rows bottom-up: the file's first row is the picture's last.
    const std::uint8_t* rows = file.data() + bmp_headers_size + palette_size;
    for (std::uint32_t row = 0; row < height; ++row) {
        if (std::memcmp(rows + std::size_t{row} * stride,
                        pixels.get() + std::size_t{height - 1 - row} * stride, stride) != 0) {
            fail("row", height - 1 - row, row);
        }
    }
    return 0;
}
