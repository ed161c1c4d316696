// The BMP writer, with the sizes and depths its callers can pass. Input: picture_input.hpp.
#include "bmp/bmp_out.hpp"
#include "picture_input.hpp"
#include "scratch_dir.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr char file_name[] = "FUZZ.BMP";

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

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    silence_stdout();
    prepare_scratch_dir(argc, argv); // the picture goes to the current folder
    return 0;
}

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

    const in_scratch_dir inside;
    const status result = bmp_out(file_name, palette.get(), pixels.get(), width, height, bits);
    std::ifstream in(file_name, std::ios::binary);
    if (width == 0 || height == 0) {
        if (result != err_argument || in.is_open()) {
            fail("empty picture refused, no file", err_argument, result);
        }
        return 0;
    }
    if (result != st_ok) {
        fail("bmp_out", st_ok, result);
    }
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    in.close();

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
