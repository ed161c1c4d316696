// The BMP writer, with the sizes and depths its callers can pass. Input: picture_input.hpp.
#include "encode/bmp_out.hpp"
#include "gfx/colour.hpp"
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

// Row y of the input as the file must hold it: the pixels, the bits past the last one clear,
// then zeros to the stride.
std::vector<std::uint8_t> expected_row(const picture_input& p, std::uint32_t y) {
    const std::size_t used = row_bytes(p.width, p.format());
    std::vector<std::uint8_t> row(p.stride, 0);
    std::memcpy(row.data(), p.pixels.get() + std::size_t{y} * p.stride, used);
    const std::size_t spare = used * 8 - std::size_t{p.width} * p.bits;
    row[used - 1] = static_cast<std::uint8_t>(row[used - 1] & (0xFF << spare));
    return row;
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

    memory_output out;
    const result<void> written = bmp_out(out.sink(), p.view());
    const std::vector<std::uint8_t>& file = out.bytes;
    // Nothing to draw, or a see-through marker among palette indices: refused unwritten.
    if (width == 0 || height == 0 || (p.indexed() && p.marker_transparent)) {
        if (written || written.failure().kind != error_kind::bad_argument || !file.empty()) {
            fail("refused, nothing written", 0, static_cast<long>(file.size()));
        }
        return 0;
    }
    if (!written) {
        fail("bmp_out", 0, static_cast<long>(written.failure().kind));
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
    // Entries of blue, green, red and a zero.
    for (std::size_t i = 0; i < p.colours.size(); ++i) {
        const std::uint8_t* entry = file.data() + bmp_headers_size + i * palette_entry_size;
        const rgb& c = p.colours[i];
        if (entry[0] != c.blue || entry[1] != c.green || entry[2] != c.red || entry[3] != 0) {
            fail("palette entry", static_cast<long>(i), -1);
        }
    }
    // Rows bottom-up: the file's first row is the picture's last.
    const std::uint8_t* rows = file.data() + bmp_headers_size + palette_size;
    for (std::uint32_t row = 0; row < height; ++row) {
        if (std::memcmp(rows + std::size_t{row} * stride, expected_row(p, height - 1 - row).data(),
                        stride) != 0) {
            fail("row", height - 1 - row, row);
        }
    }
    return 0;
}
