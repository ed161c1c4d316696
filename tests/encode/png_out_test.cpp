#include "app/describe.hpp"
#include "encode/bmp_out.hpp"
#include "encode/png_out.hpp"
#include "encode/spng_library.hpp"

#include "support.hpp"

#include <gtest/gtest.h>
#include <spng.h>

#include <filesystem>
#include <memory>
#include <random>

namespace {

struct written {
    status result;
    bytes file;
};

// The picture through one encoder, into memory.
// The image through one encoder, into memory.
written encode(result<void> (*encoder)(const byte_sink&, const image&), const image& p) {
    memory_sink out;
    const result<void> r = encoder(out.sink(), p);
    return {r ? st_ok : code_of(r.failure().kind), out.out};
}

struct decoded_png {
    spng_ihdr ihdr{};
    bytes palette; // red, green, blue
    bool has_trns = false;
    bytes pixels; // top row first, in the format asked for
};

// The whole file through libspng's decoder, IEND included.
decoded_png decode(const bytes& file, spng_format format, int flags) {
    decoded_png d;
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
    EXPECT_EQ(spng_set_png_buffer(ctx.get(), file.data(), file.size()), 0);
    EXPECT_EQ(spng_get_ihdr(ctx.get(), &d.ihdr), 0);
    spng_plte plte{};
    if (spng_get_plte(ctx.get(), &plte) == 0) {
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            d.palette.insert(d.palette.end(),
                             {plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
        }
    }
    spng_trns trns{};
    d.has_trns = spng_get_trns(ctx.get(), &trns) == 0;
    std::size_t size = 0;
    EXPECT_EQ(spng_decoded_image_size(ctx.get(), format, &size), 0);
    d.pixels.resize(size);
    EXPECT_EQ(spng_decode_image(ctx.get(), d.pixels.data(), size, format, flags), 0);
    EXPECT_EQ(spng_decode_chunks(ctx.get()), 0);
    return d;
}

bytes random_bytes(std::size_t size, std::mt19937& random) {
    bytes b(size);
    for (std::uint8_t& v : b) {
        v = static_cast<std::uint8_t>(random());
    }
    return b;
}

// Pixel x of a packed indexed row, high bits first.
std::uint8_t index_at(const std::uint8_t* row, std::uint32_t x, std::uint16_t bits) {
    const std::uint32_t bit = x * bits;
    return static_cast<std::uint8_t>((row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
}

// The PNG against the BMP of the same picture: size, depth, palette and every pixel. With a
// colour key, alpha is 0 exactly where the BMP has the marker colour; without, no tRNS.
void expect_same_picture(const bytes& png_file, const bytes& bmp, bool keyed) {
    const std::uint32_t width = le32_at(bmp, 18);
    const std::uint32_t height = le32_at(bmp, 22);
    const std::uint16_t bits = le16_at(bmp, 28);
    const std::uint32_t pixels_at = le32_at(bmp, 10);
    const bool indexed = bits != 24;
    const std::uint32_t stride = bmp_stride(width, bits);
    const decoded_png png =
        decode(png_file, indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8, keyed ? SPNG_DECODE_TRNS : 0);
    EXPECT_EQ(png.ihdr.width, width);
    EXPECT_EQ(png.ihdr.height, height);
    EXPECT_EQ(png.ihdr.color_type, indexed ? SPNG_COLOR_TYPE_INDEXED : SPNG_COLOR_TYPE_TRUECOLOR);
    EXPECT_EQ(png.ihdr.bit_depth, indexed ? bits : 8);
    EXPECT_EQ(png.has_trns, keyed);
    bytes bmp_palette; // red, green, blue, as the PNG's
    for (std::uint32_t at = bmp_headers_size; at < pixels_at; at += 4) {
        bmp_palette.insert(bmp_palette.end(), {bmp[at + 2], bmp[at + 1], bmp[at]});
    }
    EXPECT_EQ(png.palette, bmp_palette);
    // Pixel by pixel: indices, or red, green, blue, alpha; the BMP stores the bottom row first.
    bytes from_bmp;
    bytes from_png;
    const std::size_t png_stride = png.pixels.size() / height;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* bmp_row = bmp.data() + pixels_at + std::size_t{height - 1 - y} * stride;
        const std::uint8_t* png_row = png.pixels.data() + y * png_stride;
        if (indexed) {
            // The bits after the last pixel are zero, whatever the image's row holds there.
            const std::size_t spare_bits = png_stride * 8 - std::size_t{width} * bits;
            EXPECT_EQ(png_row[png_stride - 1] & ((1u << spare_bits) - 1), 0) << "row " << y;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            if (indexed) {
                from_bmp.push_back(index_at(bmp_row, x, bits));
                from_png.push_back(index_at(png_row, x, bits));
            } else {
                const std::uint8_t* b = bmp_row + 3 * x;
                const bool marker = keyed && b[0] == 1 && b[1] == 1 && b[2] == 1;
                from_bmp.insert(from_bmp.end(),
                                {b[2], b[1], b[0], static_cast<std::uint8_t>(marker ? 0 : 255)});
                from_png.insert(from_png.end(), png_row + 4 * x, png_row + 4 * x + 4);
            }
        }
    }
    EXPECT_EQ(from_png, from_bmp);
}

TEST(PngOut, PixelsAndPaletteAreTheBmps) {
    std::mt19937 random(7);
    struct shape {
        std::uint32_t width, height;
        pixel_format format;
        bool keyed;
    };
    // Odd widths, so that every row has spare bits or fill that must not reach either file.
    // The keyed image holds the key among colours one channel away from it, which must stay
    // opaque.
    const bytes near_key = {1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 0, 1, 0, 0, 0, 1, 1, 2, 1, 1, 1};
    for (const shape p :
         {shape{13, 3, pixel_format::index1, false}, shape{7, 4, pixel_format::index4, false},
          shape{5, 3, pixel_format::index8, false}, shape{9, 5, pixel_format::bgr8, false},
          shape{7, 1, pixel_format::bgr8, true}}) {
        const std::uint16_t bits = bits_of(p.format);
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "x" << bits);
        // Rows 3 bytes apart beyond their pixels, every byte of them random: the spare bits
        // and the gap hold what is no pixel.
        const std::size_t stride = row_bytes(p.width, p.format) + 3;
        bytes pixels = random_bytes(stride * p.height, random);
        const std::uint32_t used_bits = p.width * bits % 8;
        for (std::uint32_t y = 0; used_bits != 0 && y < p.height; ++y) {
            pixels[y * stride + p.width * bits / 8] |= 0xFF >> used_bits;
        }
        if (p.keyed) {
            std::copy(near_key.begin(), near_key.end(), pixels.begin());
        }
        std::vector<rgb> palette(is_indexed(p.format) ? std::size_t{1} << bits : 0);
        for (rgb& entry : palette) {
            const bytes channels = random_bytes(3, random);
            entry = {channels[0], channels[1], channels[2]};
        }
        const image picture = {p.width,
                               p.height,
                               p.format,
                               pixels.data(),
                               stride,
                               palette,
                               p.keyed ? std::optional<rgb>(rgb{1, 1, 1}) : std::nullopt};
        const written png = encode(png_out, picture);
        ASSERT_EQ(png.result, 0);
        const written bmp = encode(bmp_out, picture);
        ASSERT_EQ(bmp.result, 0);
        expect_same_picture(png.file, bmp.file, p.keyed);
    }
}

TEST(PngOut, RefusesWhatTheBmpWriterRefuses) {
    const bytes pixels(64, 0);
    const std::vector<rgb> palette(256);
    const std::vector<rgb> none;
    constexpr pixel_format index8 = pixel_format::index8;
    constexpr pixel_format bgr8 = pixel_format::bgr8;
    // Each refused by both writers, before anything is written: formats, missing rows or
    // palette, empty images, sizes past the BMP header's fields, a key on indices.
    const image cases[] = {
        {2, 2, static_cast<pixel_format>(7), pixels.data(), 8, none, {}},
        {2, 2, index8, pixels.data(), 4, none, {}},
        {2, 2, index8, nullptr, 4, palette, {}},
        {2, 0, index8, pixels.data(), 4, palette, {}},
        {0, 2, bgr8, pixels.data(), 8, none, {}},
        {1u << 28, 1, bgr8, pixels.data(), 3u << 28, none, {}},
        {1u << 16, 1u << 16, bgr8, pixels.data(), 3u << 16, none, {}},
        {2, 2, index8, pixels.data(), 4, palette, rgb{1, 1, 1}},
    };
    for (const image& p : cases) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height);
        memory_sink out;
        EXPECT_FALSE(check_image(p));
        EXPECT_EQ(bmp_out(out.sink(), p).failure().kind, error_kind::bad_argument);
        EXPECT_EQ(png_out(out.sink(), p).failure().kind, error_kind::bad_argument);
        EXPECT_EQ(out.out, bytes());
    }
}

TEST(PngOut, AFailureIsTheSinksOrNamedInLibspngsWords) {
    std::mt19937 random(11);
    const bytes pixels = random_bytes(240 * 80, random); // noise: it does not compress
    const image p = {80, 80, pixel_format::bgr8, pixels.data(), 240, {}, {}};
    // The sink fills up: its own error comes back, not libspng's.
    memory_sink full;
    full.limit = 1000;
    const result<void> written = png_out(full.sink(), p);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure().kind, error_kind::write_failed);
    EXPECT_EQ(written.failure().system_error, ENOSPC);
    EXPECT_EQ(written.failure().library_text, "");
    // libspng fails of itself: its words are kept, for the line that says why.
    ASSERT_NE(spng(), nullptr);
    spng_library failing = *spng();
    failing.encode_row = [](spng_ctx*, const void*, std::size_t) { return int{SPNG_EZLIB}; };
    memory_sink out;
    const result<void> encoded = png_out_through(failing, out.sink(), p);
    ASSERT_FALSE(encoded);
    EXPECT_EQ(encoded.failure().kind, error_kind::write_failed);
    EXPECT_EQ(encoded.failure().system_error, 0);
    EXPECT_EQ(encoded.failure().library_text, spng_strerror(SPNG_EZLIB));
    EXPECT_EQ(cause_of(encoded.failure()), spng_strerror(SPNG_EZLIB));
}

// The whole sample disc as PNG files: each is the BMP of the same picture, palette and
// pixels, and the portraits' marker pixels, and only they, are see-through. Together they
// stay within 1.15x of the 213,315 bytes a PNG optimiser (optipng -o2) makes of the same
// pixels, and pngcheck, where installed, finds nothing wrong in them.
TEST(PngRun, SampleDiscGivesItsBmpsPixelForPixel) {
    scratch_dir dir;
    const std::string make = std::string("\"") + MAKE_SAMPLE_DISC + "\" sample > /dev/null && \"" +
                             QUILLMOOR_EXE + "\" -q -f png -o png sample/disc";
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::size_t compared = 0;
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("sample/expected")) {
        const std::string name = entry.path().stem().string();
        if (entry.path().extension() != ".BMP") {
            continue;
        }
        SCOPED_TRACE(name);
        const std::filesystem::path png = "png/" + name + ".PNG";
        ASSERT_TRUE(std::filesystem::exists(png));
        const bool portrait = name[0] == 'F' || name[0] == 'f';
        expect_same_picture(read_file(png), read_file(entry.path()), portrait);
        total += std::filesystem::file_size(png);
        ++compared;
    }
    EXPECT_EQ(compared, sample_picture_count("sample"));
    EXPECT_LE(total, 245'312u);
    if (std::system("command -v pngcheck > /dev/null") == 0) {
        EXPECT_EQ(std::system("pngcheck -q png/*.PNG"), 0);
    }
}

} // namespace
