#include "extract/endings.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t cell_data_bytes = 84480;
constexpr std::size_t part_bytes = 16896;
constexpr std::size_t ending_bmp_size = 126774;

std::string ending_name(int n) {
    return "ED_0" + std::to_string(n);
}

// 64 x 32 table: rows 1 to 30 of the 22 columns at the left name cells 0.. in reading
// order, 16 bits deep (four units a cell); row 0 names a cell that must never show.
bytes ending_map(std::uint16_t character_step = 4, std::uint16_t odd_palette = 0x1000) {
    bytes b;
    for (std::uint16_t row = 0; row < 32; ++row) {
        for (std::uint16_t col = 0; col < 64; ++col) {
            const bool shown = row >= 1 && row <= 30 && col < 22;
            const std::uint16_t cell =
                shown ? static_cast<std::uint16_t>((row - 1) * 22 + col) : 659;
            const std::uint16_t palette = (row == 31 && col == 63) ? odd_palette : 0x1000;
            put_be16(b, static_cast<std::uint16_t>(palette | (0x200 + character_step * cell)));
        }
    }
    return b;
}

// Cell k holds 64 copies of the colour word k (red k mod 32, green k / 32).
bytes cell_data() {
    bytes b;
    for (std::uint16_t k = 0; k < 660; ++k) {
        for (int p = 0; p < 64; ++p) {
            put_be16(b, k);
        }
    }
    return b;
}

bytes part(int n) {
    const bytes all = cell_data();
    return bytes(all.begin() + n * part_bytes, all.begin() + (n + 1) * part_bytes);
}

void put_ending(const scratch_dir& dir, int n) {
    const std::string name = ending_name(n);
    dir.put_disc_file(name + ".MAP", ending_map());
    if (n == 5) {
        dir.put_disc_file(name + ".CEL", cell_data());
        return;
    }
    for (int p = 0; p < 5; ++p) {
        dir.put_disc_file(name + std::to_string(p) + ".CEL", part(p));
    }
}

void put_endings(const scratch_dir& dir) {
    for (int n = 1; n <= 9; ++n) {
        put_ending(dir, n);
    }
}

std::string done_lines(int first, int last) {
    std::string lines;
    for (int n = first; n <= last; ++n) {
        lines += "done > " + ending_name(n) + ".BMP\n";
    }
    return lines;
}

// Blue, green and red of pixel (x, y) of a written ending.
bytes pixel_of(const bytes& bmp, std::size_t x, std::size_t y) {
    const std::size_t at = 54 + (239 - y) * 528 + x * 3;
    return bytes(bmp.begin() + at, bmp.begin() + at + 3);
}

// What cell k's colour word becomes.
bytes colour_of_cell(std::uint16_t k) {
    return {0, static_cast<std::uint8_t>((k >> 5) * 8), static_cast<std::uint8_t>((k & 31) * 8)};
}

TEST(Endings, AllNineAreMadeInOrder) {
    scratch_dir dir;
    put_endings(dir);
    dir.put_disc_file("ED_050.CEL", bytes(part_bytes, 0xFF)); // never looked at
    const group_run r = run_group(group_endings);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, done_lines(1, 9));
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(fs::file_size(ending_name(n) + ".BMP"), ending_bmp_size);
    }
    EXPECT_EQ(read_file("ED_05.BMP"), read_file("ED_01.BMP"));
}

TEST(Endings, PictureStartsAtTableRowOne) {
    scratch_dir dir;
    put_ending(dir, 1);
    run_group(group_endings);
    const bytes bmp = read_file("ED_01.BMP");
    ASSERT_EQ(bmp.size(), ending_bmp_size);
    EXPECT_EQ(pixel_of(bmp, 0, 0), colour_of_cell(0));
    EXPECT_EQ(pixel_of(bmp, 175, 0), colour_of_cell(21));
    EXPECT_EQ(pixel_of(bmp, 9, 17), colour_of_cell(2 * 22 + 1));
    EXPECT_EQ(pixel_of(bmp, 175, 239), colour_of_cell(659));
}

TEST(Endings, MissingTableEndsTheGroupThere) {
    scratch_dir dir;
    put_endings(dir);
    fs::remove(dir.path() / "q:" / "ED_03.MAP");
    const group_run r = run_group(group_endings);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, done_lines(1, 2) + report_of(-201, "q:\\ED_03.MAP"));
    EXPECT_FALSE(fs::exists("ED_04.BMP"));
}

TEST(Endings, MissingPartStopsTheLaterParts) {
    scratch_dir dir;
    put_ending(dir, 1);
    fs::remove(dir.path() / "q:" / "ED_013.CEL");
    fs::remove(dir.path() / "q:" / "ED_014.CEL");
    const group_run r = run_group(group_endings);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, report_of(-201, "q:\\ED_013.CEL"));
}

TEST(Endings, SingleFileEndingLooksForItsOneFile) {
    scratch_dir dir;
    for (int n = 1; n <= 4; ++n) {
        put_ending(dir, n);
    }
    dir.put_disc_file("ED_05.MAP", ending_map());
    for (int p = 0; p < 5; ++p) {
        dir.put_disc_file("ED_05" + std::to_string(p) + ".CEL", part(p));
    }
    const group_run r = run_group(group_endings);
    EXPECT_EQ(r.console, done_lines(1, 4) + report_of(-201, "q:\\ED_05.CEL"));
}

TEST(Endings, ShortPartPullsTheLaterPartsForward) {
    scratch_dir dir;
    put_ending(dir, 1);
    bytes shorter = part(1);
    shorter.resize(16000); // 896 bytes, seven cells, short
    dir.put_disc_file("ED_011.CEL", shorter);
    run_group(group_endings);
    const bytes bmp = read_file("ED_01.BMP");
    ASSERT_EQ(bmp.size(), ending_bmp_size);
    const auto at_cell = [&](std::uint16_t k) { return pixel_of(bmp, k % 22 * 8, k / 22 * 8); };
    EXPECT_EQ(at_cell(200), colour_of_cell(200)); // within part 1, before the cut
    EXPECT_EQ(at_cell(256), colour_of_cell(256)); // the last cell part 1 delivered
    EXPECT_EQ(at_cell(257), colour_of_cell(264)); // part 2 begins right behind it
    EXPECT_EQ(at_cell(652), colour_of_cell(659));
    EXPECT_EQ(at_cell(653), colour_of_cell(0)); // nothing delivered there: zero words
}

TEST(Endings, ShortSingleFileIsAccepted) {
    scratch_dir dir;
    for (int n = 1; n <= 5; ++n) {
        put_ending(dir, n);
    }
    bytes shorter = cell_data();
    shorter.resize(cell_data_bytes / 2);
    dir.put_disc_file("ED_05.CEL", shorter);
    const group_run r = run_group(group_endings);
    EXPECT_EQ(r.console, done_lines(1, 5) + report_of(-201, "q:\\ED_06.MAP"));
    EXPECT_EQ(pixel_of(read_file("ED_05.BMP"), 175, 239), colour_of_cell(0));
}

TEST(Endings, TableOfAnotherDepthEndsTheGroupSilently) {
    // Steps of 2 give depth 8; one foreign palette field gives depth 17.
    for (const bytes& map : {ending_map(2), ending_map(4, 0x3000)}) {
        scratch_dir dir;
        put_endings(dir);
        dir.put_disc_file("ED_02.MAP", map);
        const group_run r = run_group(group_endings);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, done_lines(1, 1));
    }
}

TEST(Endings, CellOutsideTheDataIsReported) {
    scratch_dir dir;
    put_ending(dir, 1);
    bytes map = ending_map();
    map[2 * 64 + 0] = 0x1F; // row 1, column 0: character number 0xF00, far past the data
    map[2 * 64 + 1] = 0x00;
    dir.put_disc_file("ED_01.MAP", map);
    const group_run r = run_group(group_endings);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, report_of(-501, "dec_s8_tile"));
}

} // namespace
