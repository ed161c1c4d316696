#include "encode/bmp_out.hpp"
#include "encode/png_out.hpp"

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
written encode(status (*encoder)(std::FILE*, const picture&), const bytes* palette,
               const bytes& pixels, std::uint32_t width, std::uint32_t height, std::uint16_t bits,
               bool marker_transparent = false) {
    const memory_stream out;
    const status result =
        encoder(out.file(), {palette != nullptr ? palette->data() : nullptr, pixels.data(), width,
                             height, bits, marker_transparent});
    const std::string text = out.text();
    return {result, bytes(text.begin(), text.end())};
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
            // The bits after the last pixel are zero, whatever the BMP's row holds there.
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
    struct picture {
        std::uint32_t width, height;
        std::uint16_t bits;
        bool keyed;
    };
    // Odd widths, so that every row has fill that must not reach the PNG. The keyed picture
    // holds the marker among colours one channel away from it, which must stay opaque.
    const bytes near_marker = {1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 0, 1, 0, 0, 0, 1, 1, 2, 1, 1, 1};
    for (const picture p :
         {picture{13, 3, 1, false}, picture{7, 4, 4, false}, picture{5, 3, 8, false},
          picture{9, 5, 24, false}, picture{7, 1, 24, true}}) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "x" << p.bits);
        const bool indexed = p.bits != 24;
        const std::uint32_t stride = bmp_stride(p.width, p.bits);
        const std::uint32_t palette_size = indexed ? 4u << p.bits : 0;
        bytes pixels = random_bytes(std::size_t{stride} * p.height, random);
        // Each row's bits after its last pixel set, as a BMP's fill may hold them.
        const std::uint32_t used_bits = p.width * p.bits % 8;
        for (std::uint32_t y = 0; used_bits != 0 && y < p.height; ++y) {
            pixels[y * stride + p.width * p.bits / 8] |= 0xFF >> used_bits;
        }
        if (p.keyed) {
            std::copy(near_marker.begin(), near_marker.end(), pixels.begin());
        }
        const bytes palette = random_bytes(palette_size, random);
        const bytes* palette_or_none = indexed ? &palette : nullptr;
        const written png =
            encode(png_out, palette_or_none, pixels, p.width, p.height, p.bits, p.keyed);
        ASSERT_EQ(png.result, 0);
        const written bmp = encode(bmp_out, palette_or_none, pixels, p.width, p.height, p.bits);
        ASSERT_EQ(bmp.result, 0);
        expect_same_picture(png.file, bmp.file, p.keyed);
    }
}

TEST(PngOut, RefusesWhatTheBmpWriterRefuses) {
    const bytes pixels(64, 0);
    const bytes palette(1024, 0);
    const std::uint8_t* const pix = pixels.data();
    const std::uint8_t* const pal = palette.data();
    struct bad {
        const std::uint8_t* palette;
        const std::uint8_t* pixels;
        std::uint32_t width, height;
        std::uint16_t bits;
    };
    // Each refused by both writers, before anything is read or created: depths, missing
    // buffers, empty pictures, sizes past the BMP header's fields.
    const bad cases[] = {
        {pal, pix, 2, 2, 0},
        {pal, pix, 2, 2, 16},
        {nullptr, pix, 2, 2, 8},
        {pal, nullptr, 2, 2, 8},
        {pal, pix, 2, 0, 8},
        {nullptr, pix, 0, 2, 24},
        {nullptr, pix, 1u << 28, 1, 24},
        {nullptr, pix, 1u << 16, 1u << 16, 24},
        {pal, pix, 1u << 31, 1, 1},
    };
    for (const bad& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        const picture p = {c.palette, c.pixels, c.width, c.height, c.bits, false};
        const memory_stream out;
        EXPECT_EQ(check_picture(p), -501);
        EXPECT_EQ(bmp_out(out.file(), p), -501);
        EXPECT_EQ(png_out(out.file(), p), -501);
        EXPECT_EQ(out.text(), "");
    }
    // Transparency by colour is for 24-bit pictures alone.
    EXPECT_EQ(encode(png_out, &palette, pixels, 2, 2, 8, true).result, -501);
}

TEST(PngOut, FailedWriteIsAWriteFailure) {
    std::mt19937 random(11);
    const bytes pixels = random_bytes(240 * 80, random); // noise: it does not compress
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(png_out(full, {nullptr, pixels.data(), 80, 80, 24, false}), -602);
    std::fclose(full);
}

// The whole sample disc as PNG files: each is the BMP of the same picture, palette and
// pixels, and the portraits' marker pixels, and only they, are see-through.
TEST(PngRun, SampleDiscGivesItsBmpsPixelForPixel) {
    scratch_dir dir;
    const std::string make = std::string("\"") + MAKE_SAMPLE_DISC + "\" sample > /dev/null && \"" +
                             QUILLMOOR_EXE + "\" -q -f png -o png sample/disc";
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::size_t compared = 0;
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
        ++compared;
    }
    EXPECT_EQ(compared, sample_picture_count("sample"));
}

} // namespace
