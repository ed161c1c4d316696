#include "encode/bmp_out.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

namespace {

struct written {
    status result;
    bytes file;
};

// An image over pixels at the BMP's own stride, with palette (red, green, blue) entries.
image image_of(const std::vector<rgb>& palette, const bytes& pixels, std::uint32_t width,
               std::uint32_t height, pixel_format format) {
    return {width, height, format, pixels.data(), bmp_stride(width, bits_of(format)), palette, {}};
}

written write_bmp(const image& p) {
    memory_sink out;
    const result<void> r = bmp_out(out.sink(), p);
    return {r ? st_ok : code_of(r.failure().kind), out.out};
}

// Rows numbered from the top: every byte of row y is y + 1.
bytes numbered_rows(std::uint32_t stride, std::uint32_t height) {
    bytes b;
    for (std::uint32_t y = 0; y < height; ++y) {
        b.insert(b.end(), stride, static_cast<std::uint8_t>(y + 1));
    }
    return b;
}

struct layout_case {
    std::uint32_t width, height;
    pixel_format format;
    std::uint32_t stride, palette_size, file_size;
};

constexpr pixel_format bgr8 = pixel_format::bgr8;
constexpr pixel_format index8 = pixel_format::index8;
constexpr layout_case layouts[] = {
    {80, 80, bgr8, 240, 0, 19254},
    {352, 240, index8, 352, 1024, 85558},
    {176, 240, bgr8, 528, 0, 126774},
    {3, 2, index8, 4, 1024, 1086},
    {5, 1, bgr8, 16, 0, 70},
    {9, 2, pixel_format::index4, 8, 64, 134},
    {33, 2, pixel_format::index1, 8, 8, 78},
    {1, 1, pixel_format::index1, 4, 8, 66},
};

TEST(BmpOut, HeadersFollowTheLayout) {
    for (const layout_case& c : layouts) {
        const std::uint16_t bits = bits_of(c.format);
        const bytes pixels = numbered_rows(c.stride, c.height);
        const std::vector<rgb> palette(c.palette_size / 4, rgb{0x5A, 0x6B, 0x7C});
        const written w = write_bmp(image_of(palette, pixels, c.width, c.height, c.format));
        ASSERT_EQ(w.result, 0);
        ASSERT_EQ(w.file.size(), c.file_size) << c.width << "x" << c.height << "x" << bits;
        EXPECT_EQ(w.file[0], 'B');
        EXPECT_EQ(w.file[1], 'M');
        EXPECT_EQ(le32_at(w.file, 2), c.file_size);
        EXPECT_EQ(le32_at(w.file, 6), 0u);
        EXPECT_EQ(le32_at(w.file, 10), 54 + c.palette_size);
        EXPECT_EQ(le32_at(w.file, 14), 40u);
        EXPECT_EQ(le32_at(w.file, 18), c.width);
        EXPECT_EQ(le32_at(w.file, 22), c.height);
        EXPECT_EQ(le16_at(w.file, 26), 1);
        EXPECT_EQ(le16_at(w.file, 28), bits);
        EXPECT_EQ(le32_at(w.file, 30), 0u);
        EXPECT_EQ(le32_at(w.file, 34), c.stride * c.height);
        for (std::size_t off = 38; off < 54; off += 4) {
            EXPECT_EQ(le32_at(w.file, off), 0u);
        }
        // Entries of blue, green, red and a zero.
        bytes entries;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            entries.insert(entries.end(), {0x7C, 0x6B, 0x5A, 0});
        }
        EXPECT_EQ(bytes(w.file.begin() + 54, w.file.begin() + 54 + c.palette_size), entries);
    }
}

TEST(BmpOut, RowsAreStoredBottomUpFilledWithZeros) {
    // Rows of 3 pixels 5 bytes apart, the bytes past each row's pixels set: the file holds
    // them 4 bytes apart, bottom first, with nothing from outside the image.
    const bytes pixels = {1, 1, 1, 9, 9, 2, 2, 2, 9, 9, 3, 3, 3, 9, 9};
    const std::vector<rgb> palette(256);
    image p = image_of(palette, pixels, 3, 3, index8);
    p.stride = 5;
    const written w = write_bmp(p);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(bytes(w.file.begin() + 1078, w.file.end()),
              (bytes{3, 3, 3, 0, 2, 2, 2, 0, 1, 1, 1, 0}));
    // At 1 bit the bits after the last pixel are cleared too.
    const bytes bits = {0xFF, 0xFF};
    const written one = write_bmp(image_of(std::vector<rgb>(2), bits, 3, 1, pixel_format::index1));
    ASSERT_EQ(one.result, 0);
    EXPECT_EQ(bytes(one.file.begin() + 62, one.file.end()), (bytes{0xE0, 0, 0, 0}));
}

TEST(BmpOut, BadArgumentsWriteNothing) {
    const bytes pixels(64, 0);
    const std::vector<rgb> palette(256);
    const std::vector<rgb> none;
    const std::vector<rgb> sixteen(16);
    const std::vector<rgb> two(2);
    memory_sink out;
    const image refused[] = {
        image_of(palette, pixels, 2, 2, static_cast<pixel_format>(7)), // no such format
        image_of(none, pixels, 2, 2, index8),                          // no palette
        image_of(sixteen, pixels, 2, 2, index8),                       // too short a palette
        image_of(palette, pixels, 2, 0, index8),
        image_of(none, pixels, 0, 2, bgr8),
        {2, 2, index8, nullptr, 4, palette, {}},                 // no rows
        {2, 2, index8, pixels.data(), 1, palette, {}},           // rows overlap
        {2, 2, index8, pixels.data(), 4, palette, rgb{1, 1, 1}}, // a colour key on indices
        // Sizes that the header's 32-bit fields cannot hold.
        image_of(none, pixels, 0x10000000, 1, bgr8),
        image_of(none, pixels, 0x10000, 0x10000, bgr8),
        // A width that the header's signed field would read as negative.
        image_of(two, pixels, 0x80000000, 1, pixel_format::index1),
    };
    for (const image& p : refused) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height << "/" << p.stride);
        const result<void> r = bmp_out(out.sink(), p);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.failure().kind, error_kind::bad_argument);
    }
    EXPECT_EQ(out.out, bytes());
}

TEST(BmpOut, AFailedWriteIsTheSinksOwnFailure) {
    // The sink fills up among the rows: its error comes back as it gave it.
    memory_sink full;
    full.limit = 1000;
    const bytes pixels(240 * 80, 0);
    const result<void> r = bmp_out(full.sink(), image_of({}, pixels, 80, 80, bgr8));
    ASSERT_FALSE(r);
    EXPECT_EQ(r.failure().kind, error_kind::write_failed);
    EXPECT_EQ(r.failure().system_error, ENOSPC);
}

} // namespace
