#include "encode/bmp_out.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

namespace {

struct written {
    status result;
    bytes file;
};

written write_bmp(const bytes* palette, const bytes& pixels, std::uint32_t width,
                  std::uint32_t height, std::uint16_t bits) {
    memory_sink out;
    const result<void> r = bmp_out(out.sink(), {palette != nullptr ? palette->data() : nullptr,
                                                pixels.data(), width, height, bits, false});
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
    std::uint16_t bits;
    std::uint32_t stride, palette_size, file_size;
};

constexpr layout_case layouts[] = {
    {80, 80, 24, 240, 0, 19254},    {352, 240, 8, 352, 1024, 85558},
    {176, 240, 24, 528, 0, 126774}, {3, 2, 8, 4, 1024, 1086},
    {5, 1, 24, 16, 0, 70},          {9, 2, 4, 8, 64, 134},
    {33, 2, 1, 8, 8, 78},           {1, 1, 1, 4, 8, 66},
};

TEST(BmpOut, HeadersFollowTheLayout) {
    for (const layout_case& c : layouts) {
        const bytes pixels = numbered_rows(c.stride, c.height);
        const bytes palette(c.palette_size, 0x5A);
        const written w =
            write_bmp(c.palette_size != 0 ? &palette : nullptr, pixels, c.width, c.height, c.bits);
        ASSERT_EQ(w.result, 0);
        ASSERT_EQ(w.file.size(), c.file_size) << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_EQ(w.file[0], 'B');
        EXPECT_EQ(w.file[1], 'M');
        EXPECT_EQ(le32_at(w.file, 2), c.file_size);
        EXPECT_EQ(le32_at(w.file, 6), 0u);
        EXPECT_EQ(le32_at(w.file, 10), 54 + c.palette_size);
        EXPECT_EQ(le32_at(w.file, 14), 40u);
        EXPECT_EQ(le32_at(w.file, 18), c.width);
        EXPECT_EQ(le32_at(w.file, 22), c.height);
        EXPECT_EQ(le16_at(w.file, 26), 1);
        EXPECT_EQ(le16_at(w.file, 28), c.bits);
        EXPECT_EQ(le32_at(w.file, 30), 0u);
        EXPECT_EQ(le32_at(w.file, 34), c.stride * c.height);
        for (std::size_t off = 38; off < 54; off += 4) {
            EXPECT_EQ(le32_at(w.file, off), 0u);
        }
        EXPECT_EQ(bytes(w.file.begin() + 54, w.file.begin() + 54 + c.palette_size), palette);
    }
}

TEST(BmpOut, RowsAreStoredBottomUp) {
    const bytes pixels = numbered_rows(4, 3);
    const bytes palette(1024, 0);
    const written w = write_bmp(&palette, pixels, 3, 3, 8);
    ASSERT_EQ(w.result, 0);
    const bytes rows(w.file.begin() + 1078, w.file.end());
    EXPECT_EQ(rows, (bytes{3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}));
}

TEST(BmpOut, BadArgumentsWriteNothing) {
    const bytes pixels(64, 0);
    const bytes palette(1024, 0);
    for (std::uint16_t bits : {0, 2, 16, 32}) {
        EXPECT_EQ(write_bmp(&palette, pixels, 2, 2, bits).result, -501) << bits;
    }
    EXPECT_EQ(write_bmp(nullptr, pixels, 2, 2, 8).result, -501);
    EXPECT_EQ(write_bmp(&palette, pixels, 2, 0, 8).result, -501);
    EXPECT_EQ(write_bmp(&palette, pixels, 0, 2, 24).result, -501);
    memory_sink out;
    const result<void> no_pixels = bmp_out(out.sink(), {palette.data(), nullptr, 2, 2, 8, false});
    EXPECT_EQ(no_pixels.failure().kind, error_kind::bad_argument);
    // Sizes that the header's 32-bit fields cannot hold.
    EXPECT_EQ(write_bmp(nullptr, pixels, 0x10000000, 1, 24).result, -501);
    EXPECT_EQ(write_bmp(nullptr, pixels, 0x10000, 0x10000, 24).result, -501);
    // A width that the header's signed field would read as negative.
    const written negative = write_bmp(&palette, pixels, 0x80000000, 1, 1);
    EXPECT_EQ(negative.result, -501);
    EXPECT_EQ(negative.file, bytes());
    EXPECT_EQ(out.out, bytes());
}

TEST(BmpOut, AFailedWriteIsTheSinksOwnFailure) {
    // The sink fills up among the rows: its error comes back as it gave it.
    memory_sink full;
    full.limit = 1000;
    const bytes pixels(240 * 80, 0);
    const result<void> r = bmp_out(full.sink(), {nullptr, pixels.data(), 80, 80, 24, false});
    ASSERT_FALSE(r);
    EXPECT_EQ(r.failure().kind, error_kind::write_failed);
    EXPECT_EQ(r.failure().system_error, ENOSPC);
}

} // namespace
