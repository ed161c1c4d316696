// The BMP writer, with the sizes and depths its callers can pass. Input: width and height
// (2 bytes each, big-endian, taken modulo max_side + 1), a depth selector, then the bytes
// that fill the palette and the rows, repeated as needed.
#include "bmp/bmp_out.hpp"
#include "scratch_dir.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t max_side = 600;
constexpr std::uint16_t depths[] = {1, 4, 8, 24};
constexpr std::size_t size_bytes = 5;
constexpr char file_name[] = "FUZZ.BMP";

constexpr std::size_t off_file_size = 2;
constexpr std::size_t off_pixel_offset = 10;
constexpr std::size_t off_width = 18;
constexpr std::size_t off_height = 22;
constexpr std::size_t off_bits = 28;

using bytes = std::unique_ptr<std::uint8_t[]>;

[[noreturn]] void fail(const char* what, long expected, long got) {
    std::fprintf(stderr, "fuzz_bmp: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

std::uint32_t get32(const std::vector<std::uint8_t>& file, std::size_t at) {
    return std::uint32_t{file[at]} | (std::uint32_t{file[at + 1]} << 8) |
           (std::uint32_t{file[at + 2]} << 16) | (std::uint32_t{file[at + 3]} << 24);
}

// Exactly size bytes, filled from the input cyclically.
bytes filled(std::size_t size, const std::uint8_t* data, std::size_t length, std::size_t& next) {
    bytes block(new std::uint8_t[size]);
    for (std::size_t i = 0; i < size; ++i, ++next) {
        block[i] = length != 0 ? data[next % length] : static_cast<std::uint8_t>(next);
    }
    return block;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    silence_stdout();
    prepare_scratch_dir(argc, argv); // the picture goes to the current folder
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < size_bytes) {
        return 0;
    }
    const std::uint32_t width = ((data[0] << 8) | data[1]) % (max_side + 1);
    const std::uint32_t height = ((data[2] << 8) | data[3]) % (max_side + 1);
    const std::uint16_t bits = depths[data[4] % std::size(depths)];
    const std::uint8_t* fill = data + size_bytes;
    const std::size_t fill_length = size - size_bytes;

    const std::uint32_t stride = bmp_stride(width, bits);
    const std::uint32_t palette_size = bits == 24 ? 0 : (1u << bits) * 4;
    std::size_t next = 0;
    const bytes palette = bits == 24 ? nullptr : filled(palette_size, fill, fill_length, next);
    const bytes pixels = filled(std::size_t{stride} * height, fill, fill_length, next);

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
