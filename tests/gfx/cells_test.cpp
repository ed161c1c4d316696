#include "gfx/cells.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <numeric>

namespace {

bytes counting(std::size_t n) {
    bytes b(n);
    std::iota(b.begin(), b.end(), std::uint8_t{0});
    return b;
}

TEST(CellAssembly, FourBitCellsSideBySide) {
    const bytes cells = counting(64);
    const std::uint16_t table[] = {1, 0};
    bytes picture(64, 0xEE);
    ASSERT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), table, 64, 2, 1, 4)), 0);
    for (int r = 0; r < 8; ++r) {
        const bytes row(picture.begin() + r * 8, picture.begin() + r * 8 + 8);
        const bytes expected = {
            static_cast<std::uint8_t>(32 + 4 * r), static_cast<std::uint8_t>(33 + 4 * r),
            static_cast<std::uint8_t>(34 + 4 * r), static_cast<std::uint8_t>(35 + 4 * r),
            static_cast<std::uint8_t>(4 * r),      static_cast<std::uint8_t>(1 + 4 * r),
            static_cast<std::uint8_t>(2 + 4 * r),  static_cast<std::uint8_t>(3 + 4 * r)};
        EXPECT_EQ(row, expected) << "row " << r;
    }
}

TEST(CellAssembly, CellsStackedDownReproduceTheData) {
    const bytes cells = counting(128);
    const std::uint16_t table[] = {0, 2};
    bytes picture(128, 0xEE);
    ASSERT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), table, 128, 1, 2, 8)), 0);
    EXPECT_EQ(picture, cells);
}

TEST(CellAssembly, InPlaceEqualsApartAndCellsMayRepeat) {
    // Sixteen-bit cells of 128 bytes in a 3 x 2 picture, out of order, one used twice.
    bytes cells(6 * 128);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] = static_cast<std::uint8_t>((i / 128) << 5 | (i % 32)); // cell number on top
    }
    const std::uint16_t table[] = {20, 0, 4, 4, 12, 16};
    bytes apart(6 * 128, 0xEE);
    ASSERT_EQ(code_of(dec_s8_tile(cells.data(), apart.data(), table, 6 * 128, 3, 2, 16)), 0);
    bytes in_place = cells;
    ASSERT_EQ(code_of(dec_s8_tile(in_place.data(), in_place.data(), table, 6 * 128, 3, 2, 16)), 0);
    EXPECT_EQ(in_place, apart);
    // Cell row 0 of picture row 0 is cell 5's first 16 bytes, then cell 0's, then cell 1's.
    EXPECT_EQ(bytes(apart.begin(), apart.begin() + 48), [&] {
        bytes b(cells.begin() + 640, cells.begin() + 656);
        b.insert(b.end(), cells.begin(), cells.begin() + 16);
        b.insert(b.end(), cells.begin() + 128, cells.begin() + 144);
        return b;
    }());
    // Picture row 8 starts the second band with cell 1 again.
    const std::size_t row8 = 8 * 48;
    EXPECT_EQ(bytes(apart.begin() + row8, apart.begin() + row8 + 16),
              bytes(apart.begin() + 32, apart.begin() + 48));
}

TEST(CellAssembly, EveryCellMustLieWithinTheData) {
    const bytes cells = counting(128);
    bytes picture(64, 0xEE);
    const std::uint16_t last[] = {2};     // bytes 64 to 127: ends exactly at the length
    const std::uint16_t beyond[] = {3};   // one unit further
    const std::uint16_t far[] = {0xFFFF}; // nowhere near
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), last, 128, 1, 1, 8)), 0);
    EXPECT_EQ(picture, bytes(cells.begin() + 64, cells.end()));
    picture.assign(64, 0xEE);
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), beyond, 128, 1, 1, 8)), -501);
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), far, 128, 1, 1, 8)), -501);
    EXPECT_EQ(picture, bytes(64, 0xEE));
}

TEST(CellAssembly, RefusesOddAndZeroDepthsAndEmptyArguments) {
    const bytes cells = counting(256);
    bytes picture(256, 0xEE);
    const std::uint16_t table[] = {0};
    for (std::uint16_t depth : {5, 9, 17}) {
        const result<void> odd = dec_s8_tile(cells.data(), picture.data(), table, 256, 1, 1, depth);
        EXPECT_EQ(code_of(odd), -202);
        EXPECT_STREQ(odd.failure().routine, "dec_s8_tile");
    }
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), table, 256, 1, 1, 0)), -501);
    EXPECT_EQ(code_of(dec_s8_tile(nullptr, picture.data(), table, 256, 1, 1, 8)), -501);
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), nullptr, table, 256, 1, 1, 8)), -501);
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), nullptr, 256, 1, 1, 8)), -501);
    EXPECT_EQ(code_of(dec_s8_tile(cells.data(), picture.data(), table, 256, 0, 1, 8)), -501);
    EXPECT_EQ(
        code_of(dec_s8_tile(cells.data(), picture.data(), table, 256, 1u << 20, 1u << 20, 16)),
        -501);
    EXPECT_EQ(picture, bytes(256, 0xEE));
}

// A 64 x 32 table of 16-bit entries whose entry at (column, row) is row * 64 + column.
std::vector<std::uint16_t> numbered_map() {
    std::vector<std::uint16_t> map(64 * 32);
    std::iota(map.begin(), map.end(), std::uint16_t{0});
    return map;
}

std::uint8_t* as_bytes(std::vector<std::uint16_t>& v) {
    return reinterpret_cast<std::uint8_t*>(v.data());
}

TEST(Cut, TableRowsShiftUpInPlace) {
    std::vector<std::uint16_t> map = numbered_map();
    ASSERT_EQ(code_of(cutimage(as_bytes(map), as_bytes(map), 64, 32, 22, 30, 0, 1, 16)), 0);
    for (std::uint16_t i = 0; i < 30; ++i) {
        for (std::uint16_t c = 0; c < 22; ++c) {
            ASSERT_EQ(map[i * 22 + c], (i + 1) * 64 + c) << "row " << i << " column " << c;
        }
    }
}

TEST(Cut, InPlaceEqualsApart) {
    std::vector<std::uint16_t> map = numbered_map();
    std::vector<std::uint16_t> apart(44 * 30, 0);
    ASSERT_EQ(code_of(cutimage(as_bytes(map), as_bytes(apart), 64, 32, 44, 30, 3, 2, 16)), 0);
    ASSERT_EQ(code_of(cutimage(as_bytes(map), as_bytes(map), 64, 32, 44, 30, 3, 2, 16)), 0);
    EXPECT_EQ(std::vector<std::uint16_t>(map.begin(), map.begin() + 44 * 30), apart);
    EXPECT_EQ(apart[0], 2 * 64 + 3);
}

TEST(Cut, EdgesAndDepths) {
    const bytes picture = counting(4 * 3 * 3); // 4 x 3 pixels of 24 bits
    bytes out(36, 0xEE);
    ASSERT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 4, 3, 0, 0, 24)), 0);
    EXPECT_EQ(out, picture);
    out.assign(36, 0xEE);
    ASSERT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 1, 1, 3, 2, 24)),
              0); // bottom right
    EXPECT_EQ(bytes(out.begin(), out.begin() + 4), (bytes{33, 34, 35, 0xEE}));
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 2, 1, 3, 2, 24)), -501);
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 1, 2, 3, 2, 24)), -501);
    EXPECT_STREQ(cutimage(picture.data(), out.data(), 4, 3, 1, 2, 3, 2, 24).failure().routine,
                 "cutimage");
    // Edges that would wrap around 32 bits still leave the source.
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 2, 1, 0xFFFFFFFF, 0, 24)), -501);
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 1, 0xFFFFFFFF, 0, 2, 24)), -501);
    // Under a byte a pixel, or an empty source, there is nothing to cut.
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 1, 1, 0, 0, 4)), -501);
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 0, 3, 0, 1, 0, 0, 8)), -501);
    EXPECT_EQ(code_of(cutimage(nullptr, out.data(), 4, 3, 1, 1, 0, 0, 8)), -501);
    EXPECT_EQ(code_of(cutimage(picture.data(), nullptr, 4, 3, 1, 1, 0, 0, 8)), -501);
    // An empty rectangle inside the source is fine and writes nothing.
    out.assign(36, 0xEE);
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 0, 2, 1, 1, 8)), 0);
    EXPECT_EQ(code_of(cutimage(picture.data(), out.data(), 4, 3, 2, 0, 1, 1, 8)), 0);
    EXPECT_EQ(out, bytes(36, 0xEE));
}

} // namespace
