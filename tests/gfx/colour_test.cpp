#include "gfx/colour.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

namespace {

bytes colour(std::uint16_t word, std::uint8_t mode) {
    bytes out(3, 0xEE);
    EXPECT_EQ(dec_ss_col(word, out.data(), mode), 0);
    return out;
}

const bytes black = {0, 0, 0};
const bytes marker = {1, 1, 1};
const bytes white = {255, 255, 255};
const bytes brightest = {248, 248, 248};

TEST(ColourWord, ChannelsWidenToMultiplesOfEightInBlueGreenRedOrder) {
    EXPECT_EQ(colour(0xFC00, 0), (bytes{248, 0, 0}));
    EXPECT_EQ(colour(0x83E0, 0), (bytes{0, 248, 0}));
    EXPECT_EQ(colour(0x801F, 0), (bytes{0, 0, 248}));
    EXPECT_EQ(colour(0x0421, 0), (bytes{8, 8, 8}));
    EXPECT_EQ(colour(0x7FFF, 0), brightest);
    EXPECT_EQ(colour(0x1234, 0), (bytes{4 * 8, 17 * 8, 20 * 8}));
}

TEST(ColourWord, ModesDecideByTheTopBit) {
    EXPECT_EQ(colour(0x0000, 0), black);
    EXPECT_EQ(colour(0x0000, 1), black);
    EXPECT_EQ(colour(0x0000, 254), black);
    EXPECT_EQ(colour(0x0000, 255), marker);

    EXPECT_EQ(colour(0xFFFF, 0), brightest);
    EXPECT_EQ(colour(0xFFFF, 255), brightest);
    EXPECT_EQ(colour(0xFFFF, 254), marker);
    EXPECT_EQ(colour(0xFFFF, 1), white);

    EXPECT_EQ(colour(0x7FFF, 1), black);
    EXPECT_EQ(colour(0x7FFF, 255), marker);
    EXPECT_EQ(colour(0x7FFF, 254), brightest);
    // A set top bit over black stays black under 255, apart from the marker.
    EXPECT_EQ(colour(0x8000, 255), black);
}

TEST(ColourWord, UnlistedModesConvertPlainly) {
    for (int mode = 2; mode <= 253; ++mode) {
        EXPECT_EQ(colour(0x8000, static_cast<std::uint8_t>(mode)), black);
        EXPECT_EQ(colour(0x1234, static_cast<std::uint8_t>(mode)), colour(0x1234, 0));
    }
    EXPECT_EQ(dec_ss_col(0x1234, nullptr, 0), -501);
}

TEST(Palette, EntriesAreBlueGreenRedZeroInOrder) {
    bytes words;
    put_be16(words, 0x801F);
    put_be16(words, 0x0000);
    put_be16(words, 0xFFFF);
    bytes out(12, 0xEE);
    ASSERT_EQ(dec_ss_pal(words.data(), out.data(), 3, 1), 0);
    EXPECT_EQ(out, (bytes{255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0}));
    ASSERT_EQ(dec_ss_pal(words.data(), out.data(), 3, 0), 0);
    EXPECT_EQ(out, (bytes{0, 0, 248, 0, 0, 0, 0, 0, 248, 248, 248, 0}));
}

TEST(Palette, RefusesNothingToConvert) {
    bytes words(2, 0);
    bytes out(4, 0xEE);
    EXPECT_EQ(dec_ss_pal(words.data(), out.data(), 0, 0), -501);
    EXPECT_EQ(dec_ss_pal(nullptr, out.data(), 1, 0), -501);
    EXPECT_EQ(dec_ss_pal(words.data(), nullptr, 1, 0), -501);
    EXPECT_EQ(out, bytes(4, 0xEE));
}

// A picture of distinct words: pixel (x, y) has red x and green y, top bit set.
bytes direct_picture(std::uint32_t width, std::uint32_t height) {
    bytes words;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            put_be16(words, static_cast<std::uint16_t>(0x8000 | (y % 32) << 5 | (x % 32)));
        }
    }
    return words;
}

TEST(DirectColour, RowsCarryWidthModFourFillBytes) {
    for (std::uint32_t width : {5u, 6u, 7u, 8u}) {
        const std::uint32_t height = 3;
        const bytes words = direct_picture(width, height);
        const std::uint32_t row = width * 3 + width % 4;
        bytes out(row * height + 1, 0xEE);
        ASSERT_EQ(dec_ss_hc(words.data(), out.data(), width, height, 0), 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::size_t at = y * row + x * 3;
                EXPECT_EQ(
                    bytes(out.begin() + at, out.begin() + at + 3),
                    (bytes{0, static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x * 8)}));
            }
            EXPECT_EQ(bytes(out.begin() + y * row + width * 3, out.begin() + (y + 1) * row),
                      bytes(width % 4, 0))
                << "width " << width;
        }
        EXPECT_EQ(out.back(), 0xEE) << "nothing past the last row";
    }
}

TEST(DirectColour, InPlaceEqualsApart) {
    const std::uint32_t width = 7;
    const std::uint32_t height = 9;
    const bytes words = direct_picture(width, height);
    bytes apart(rgb_row_size(width) * height, 0xEE);
    ASSERT_EQ(dec_ss_hc(words.data(), apart.data(), width, height, 0), 0);
    bytes in_place = words;
    in_place.resize(apart.size(), 0xEE);
    ASSERT_EQ(dec_ss_hc(in_place.data(), in_place.data(), width, height, 0), 0);
    EXPECT_EQ(in_place, apart);
}

TEST(DirectColour, RefusesEmptyOrUnaddressablePictures) {
    bytes words(8, 0);
    bytes out(16, 0xEE);
    EXPECT_EQ(dec_ss_hc(words.data(), out.data(), 0, 4, 0), -501);
    EXPECT_EQ(dec_ss_hc(words.data(), out.data(), 4, 0, 0), -501);
    EXPECT_EQ(dec_ss_hc(nullptr, out.data(), 2, 2, 0), -501);
    EXPECT_EQ(dec_ss_hc(words.data(), nullptr, 2, 2, 0), -501);
    // 2^31 x 1 words would wrap a 32-bit product to 0; 2^20 squared is far too large.
    EXPECT_EQ(dec_ss_hc(words.data(), out.data(), 0x80000000u, 1, 0), -501);
    EXPECT_EQ(dec_ss_hc(words.data(), out.data(), 1u << 20, 1u << 20, 0), -501);
    EXPECT_EQ(out, bytes(16, 0xEE));
}

} // namespace
