// The PNG writer beside the BMP writer, on the pictures of fuzz_bmp (input: picture_input.hpp;
// the selector's marker flag asks for the marker colour keyed out). png_out takes exactly what
// bmp_out takes, and libspng's decoder reads back the input's rows and palette.
#include "encode/bmp_out.hpp"
#include "encode/png_out.hpp"
#include "gfx/colour.hpp"
#include "picture_input.hpp"

#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr std::uint8_t opaque = 255;
constexpr std::uint8_t see_through = 0;
constexpr std::size_t rgba_size = 4;
constexpr std::size_t rgb_size = 3;
constexpr std::uint8_t png_channel_bits = 8;
// BMP pixels and palette entries: blue, green, red; PNG pixels: red, green, blue, alpha.
constexpr std::size_t bmp_blue = 0;
constexpr std::size_t bmp_green = 1;
constexpr std::size_t bmp_red = 2;
constexpr std::size_t png_red = 0;
constexpr std::size_t png_green = 1;
constexpr std::size_t png_blue = 2;
constexpr std::size_t png_alpha = 3;

[[noreturn]] void fail(const char* what, long expected, long got) {
    std::fprintf(stderr, "fuzz_png: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

struct free_decoder {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// Pixel x of a packed indexed row, high bits first.
unsigned index_at(const std::uint8_t* row, std::uint32_t x, std::uint16_t bits) {
    const std::uint32_t bit = x * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

void check_palette(spng_ctx* ctx, const picture_input& p) {
    spng_plte plte{};
    if (spng_get_plte(ctx, &plte) != 0 || plte.n_entries != 1u << p.bits) {
        fail("PLTE entries", 1L << p.bits, plte.n_entries);
    }
    for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
        const std::uint8_t* entry = p.palette.get() + std::size_t{i} * palette_entry_size;
        if (plte.entries[i].red != entry[bmp_red] || plte.entries[i].green != entry[bmp_green] ||
            plte.entries[i].blue != entry[bmp_blue]) {
            fail("PLTE entry", i, -1);
        }
    }
}

void check_rows(const std::vector<std::uint8_t>& image, const picture_input& p) {
    const std::size_t row_size = image.size() / p.height;
    for (std::uint32_t y = 0; y < p.height; ++y) {
        const std::uint8_t* in = p.pixels.get() + std::size_t{y} * p.stride;
        const std::uint8_t* out = image.data() + y * row_size;
        for (std::uint32_t x = 0; x < p.width; ++x) {
            if (p.bits != bits_rgb) {
                if (index_at(out, x, p.bits) != index_at(in, x, p.bits)) {
                    fail("index at x", x, y);
                }
                continue;
            }
            const std::uint8_t* b = in + x * rgb_size;
            const std::uint8_t* o = out + x * rgba_size;
            const bool marker = b[bmp_blue] == trans_marker_value &&
                                b[bmp_green] == trans_marker_value &&
                                b[bmp_red] == trans_marker_value;
            const std::uint8_t alpha = p.marker_transparent && marker ? see_through : opaque;
            if (o[png_red] != b[bmp_red] || o[png_green] != b[bmp_green] ||
                o[png_blue] != b[bmp_blue] || o[png_alpha] != alpha) {
                fail("colour at x", x, y);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!png_writer_ready()) {
        std::fprintf(stderr, "fuzz_png: libspng cannot be loaded\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    picture_input p;
    if (!read_picture_input(data, size, p)) {
        return 0;
    }
    const bool indexed = p.indexed();
    memory_output png_file;
    const result<void> png = png_out(png_file.sink(), p.view());
    const std::vector<std::uint8_t>& file = png_file.bytes;
    if (indexed && p.marker_transparent &&
        (png || png.failure().kind != error_kind::bad_argument)) {
        fail("colour key on an indexed picture refused", 0, 1);
    }
    memory_output bmp_file;
    const result<void> bmp = bmp_out(bmp_file.sink(), p.view());
    if (png.ok() != bmp.ok() || (!png && png.failure().kind != bmp.failure().kind)) {
        fail("png_out as bmp_out", bmp.ok(), png.ok());
    }
    if (!png && !file.empty()) {
        fail("refused, nothing written", 0, static_cast<long>(file.size()));
    }
    if (!png) {
        return 0;
    }

    const std::unique_ptr<spng_ctx, free_decoder> ctx(spng_ctx_new(0));
    spng_ihdr ihdr{};
    if (!ctx || spng_set_png_buffer(ctx.get(), file.data(), file.size()) != 0 ||
        spng_get_ihdr(ctx.get(), &ihdr) != 0) {
        fail("a PNG file", 0, 1);
    }
    const int colour_type = indexed ? SPNG_COLOR_TYPE_INDEXED : SPNG_COLOR_TYPE_TRUECOLOR;
    if (ihdr.width != p.width || ihdr.height != p.height || ihdr.color_type != colour_type ||
        ihdr.bit_depth != (indexed ? p.bits : png_channel_bits) || ihdr.interlace_method != 0) {
        fail("IHDR of width", p.width, ihdr.width);
    }
    if (indexed) {
        check_palette(ctx.get(), p);
    }
    spng_trns trns{};
    const bool keyed = spng_get_trns(ctx.get(), &trns) == 0;
    if (keyed != p.marker_transparent ||
        (keyed && (trns.red != trans_marker_value || trns.green != trans_marker_value ||
                   trns.blue != trans_marker_value))) {
        fail("tRNS with the marker colour", p.marker_transparent, keyed);
    }
    const int format = indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
    std::size_t image_size = 0;
    if (spng_decoded_image_size(ctx.get(), format, &image_size) != 0) {
        fail("decoded size", 0, 1);
    }
    std::vector<std::uint8_t> image(image_size);
    const int decoded = spng_decode_image(ctx.get(), image.data(), image.size(), format,
                                          indexed ? 0 : SPNG_DECODE_TRNS);
    if (decoded != 0 || spng_decode_chunks(ctx.get()) != 0) {
        fail("decoding to IEND", 0, decoded);
    }
    check_rows(image, p);
    return 0;
}
