#include "gfx/colour.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

namespace {

constexpr transparency plain = transparency::plain;
constexpr transparency mask = transparency::top_bit_mask;
constexpr transparency mark_set = transparency::mark_set;
constexpr transparency mark_clear = transparency::mark_clear;

bytes colour(std::uint16_t word, transparency mode) {
    bytes out(3, 0xEE);
    EXPECT_EQ(code_of(dec_ss_col(word, out.data(), mode)), 0);
    return out;
}

const bytes black = {0, 0, 0};
const bytes marker = {1, 1, 1};
const bytes white = {255, 255, 255};
const bytes brightest = {248, 248, 248};

TEST(ColourWord, ChannelsWidenToMultiplesOfEightInBlueGreenRedOrder) {
    EXPECT_EQ(colour(0xFC00, plain), (bytes{248, 0, 0}));
    EXPECT_EQ(colour(0x83E0, plain), (bytes{0, 248, 0}));
    EXPECT_EQ(colour(0x801F, plain), (bytes{0, 0, 248}));
    EXPECT_EQ(colour(0x0421, plain), (bytes{8, 8, 8}));
    EXPECT_EQ(colour(0x7FFF, plain), brightest);
    EXPECT_EQ(colour(0x1234, plain), (bytes{4 * 8, 17 * 8, 20 * 8}));
}

TEST(ColourWord, ModesDecideByTheTopBit) {
    EXPECT_EQ(colour(0x0000, plain), black);
    EXPECT_EQ(colour(0x0000, mask), black);
    EXPECT_EQ(colour(0x0000, mark_set), black);
    EXPECT_EQ(colour(0x0000, mark_clear), marker);

    EXPECT_EQ(colour(0xFFFF, plain), brightest);
    EXPECT_EQ(colour(0xFFFF, mark_clear), brightest);
    EXPECT_EQ(colour(0xFFFF, mark_set), marker);
    EXPECT_EQ(colour(0xFFFF, mask), white);

    EXPECT_EQ(colour(0x7FFF, mask), black);
    EXPECT_EQ(colour(0x7FFF, mark_clear), marker);
    EXPECT_EQ(colour(0x7FFF, mark_set), brightest);
    // A set top bit over black stays black under mark_clear, apart from the marker.
    EXPECT_EQ(colour(0x8000, mark_clear), black);
}

TEST(ColourWord, RefusesNowhereToPutIt) {
    const result<void> refused = dec_ss_col(0x1234, nullptr, plain);
    EXPECT_EQ(code_of(refused), -501);
    EXPECT_STREQ(refused.failure().routine, "dec_ss_col");
}

TEST(Palette, EntriesAreBlueGreenRedZeroInOrder) {
    bytes words;
    put_be16(words, 0x801F);
    put_be16(words, 0x0000);
    put_be16(words, 0xFFFF);
    bytes out(12, 0xEE);
    ASSERT_EQ(code_of(dec_ss_pal(words.data(), out.data(), 3, mask)), 0);
    EXPECT_EQ(out, (bytes{255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0}));
    ASSERT_EQ(code_of(dec_ss_pal(words.data(), out.data(), 3, plain)), 0);
    EXPECT_EQ(out, (bytes{0, 0, 248, 0, 0, 0, 0, 0, 248, 248, 248, 0}));
}

TEST(Palette, RefusesNothingToConvert) {
    bytes words(2, 0);
    bytes out(4, 0xEE);
    EXPECT_EQ(code_of(dec_ss_pal(words.data(), out.data(), 0, plain)), -501);
    EXPECT_EQ(code_of(dec_ss_pal(nullptr, out.data(), 1, plain)), -501);
    EXPECT_EQ(code_of(dec_ss_pal(words.data(), nullptr, 1, plain)), -501);
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
        ASSERT_EQ(code_of(dec_ss_hc(words.data(), out.data(), width, height, plain)), 0);
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
    ASSERT_EQ(code_of(dec_ss_hc(words.data(), apart.data(), width, height, plain)), 0);
    bytes in_place = words;
    in_place.resize(apart.size(), 0xEE);
    ASSERT_EQ(code_of(dec_ss_hc(in_place.data(), in_place.data(), width, height, plain)), 0);
    EXPECT_EQ(in_place, apart);
}

TEST(DirectColour, RefusesEmptyOrUnaddressablePictures) {
    bytes words(8, 0);
    bytes out(16, 0xEE);
    EXPECT_EQ(code_of(dec_ss_hc(words.data(), out.data(), 0, 4, plain)), -501);
    EXPECT_STREQ(dec_ss_hc(words.data(), out.data(), 0, 4, plain).failure().routine, "dec_ss_hc");
    EXPECT_EQ(code_of(dec_ss_hc(words.data(), out.data(), 4, 0, plain)), -501);
    EXPECT_EQ(code_of(dec_ss_hc(nullptr, out.data(), 2, 2, plain)), -501);
    EXPECT_EQ(code_of(dec_ss_hc(words.data(), nullptr, 2, 2, plain)), -501);
    // 2^31 x 1 words would wrap a 32-bit product to 0; 2^20 squared is far too large.
    EXPECT_EQ(code_of(dec_ss_hc(words.data(), out.data(), 0x80000000u, 1, plain)), -501);
    EXPECT_EQ(code_of(dec_ss_hc(words.data(), out.data(), 1u << 20, 1u << 20, plain)), -501);
    EXPECT_EQ(out, bytes(16, 0xEE));
}

} // namespace
