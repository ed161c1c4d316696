#include "gfx/pattern_names.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct entry {
    std::uint16_t palette;   // bits 15-12
    std::uint16_t character; // bits 11-0
};

// A table as it lies on the disc: big-endian entries.
std::vector<std::uint16_t> disc_table(std::initializer_list<entry> entries) {
    std::vector<std::uint16_t> table;
    for (const entry& e : entries) {
        const std::uint16_t v = static_cast<std::uint16_t>(e.palette << 12 | e.character);
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(v >> 8),
                                       static_cast<std::uint8_t>(v)};
        std::uint16_t stored = 0;
        std::memcpy(&stored, bytes, 2);
        table.push_back(stored);
    }
    return table;
}

struct normalised {
    status result;
    std::uint16_t depth; // 0 when it failed
    std::vector<std::uint16_t> table;
};

normalised normalise(std::initializer_list<entry> entries) {
    normalised n{0, 0, disc_table(entries)};
    const result<std::uint16_t> depth =
        opti_ss_pnb(n.table.data(), static_cast<std::uint32_t>(n.table.size()));
    n.result = depth ? st_ok : code_of(depth.failure().kind);
    n.depth = depth ? *depth : 0;
    return n;
}

using entries = std::vector<std::uint16_t>;

TEST(PatternNames, DepthComesFromTheLowestBitOfTheCharacterNumbers) {
    const normalised four = normalise({{1, 0x234}, {1, 0x235}});
    EXPECT_EQ(four.result, 0);
    EXPECT_EQ(four.depth, 4);
    EXPECT_EQ(four.table, (entries{0, 1}));

    const normalised eight = normalise({{2, 0x102}, {2, 0x104}, {2, 0x106}});
    EXPECT_EQ(eight.result, 0);
    EXPECT_EQ(eight.depth, 8);
    EXPECT_EQ(eight.table, (entries{0, 2, 4}));

    const normalised sixteen = normalise({{0, 0x10}, {0, 0x14}});
    EXPECT_EQ(sixteen.result, 0);
    EXPECT_EQ(sixteen.depth, 16);
    EXPECT_EQ(sixteen.table, (entries{0, 4}));

    const normalised single = normalise({{3, 0x7}});
    EXPECT_EQ(single.depth, 4);
    EXPECT_EQ(single.table, (entries{0}));
}

TEST(PatternNames, LowestCharacterBecomesCellZeroWhereverItStands) {
    const normalised n = normalise({{5, 0x3}, {5, 0x1}, {5, 0x2}});
    EXPECT_EQ(n.result, 0);
    EXPECT_EQ(n.depth, 4);
    EXPECT_EQ(n.table, (entries{2, 0, 1}));
}

TEST(PatternNames, MixedPaletteBitsKeepTheirBitsAndMakeTheDepthOdd) {
    const normalised nine = normalise({{1, 0x0}, {2, 0x2}});
    EXPECT_EQ(nine.result, 0);
    EXPECT_EQ(nine.depth, 9);
    EXPECT_EQ(nine.table, (entries{0x1000, 0x2002}));

    const normalised five = normalise({{15, 0x1}, {0, 0x2}});
    EXPECT_EQ(five.result, 0);
    EXPECT_EQ(five.depth, 5);
    EXPECT_EQ(five.table, (entries{0xF000, 0x0001}));
}

TEST(PatternNames, NoDepthLeavesEntriesInHostOrder) {
    const normalised eights = normalise({{0, 0x8}, {0, 0x10}});
    EXPECT_EQ(eights.result, -501);
    EXPECT_EQ(eights.table, (entries{0x8, 0x10}));

    // Palette bits never count towards the depth.
    const normalised zeros = normalise({{7, 0}, {7, 0}});
    EXPECT_EQ(zeros.result, -501);
    EXPECT_EQ(zeros.table, (entries{0x7000, 0x7000}));
}

TEST(PatternNames, RefusesNothingToWorkOn) {
    std::vector<std::uint16_t> table = disc_table({{1, 1}});
    const std::vector<std::uint16_t> before = table;
    const result<std::uint16_t> empty = opti_ss_pnb(table.data(), 0);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.failure().kind, error_kind::bad_argument);
    EXPECT_STREQ(empty.failure().routine, "opti_ss_pnb");
    EXPECT_FALSE(opti_ss_pnb(nullptr, 1).ok());
    EXPECT_EQ(table, before);
}

} // namespace
