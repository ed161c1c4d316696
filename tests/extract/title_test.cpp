#include "extract/title.hpp"

#include "extract/cellmaps.hpp"
#include "gfx/colour.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Palette store whose every word is its own word index.
bytes title_seq() {
    bytes b;
    for (std::uint32_t i = 0; i < title_data_size / 2; ++i) {
        put_be16(b, static_cast<std::uint16_t>(i));
    }
    return b;
}

bytes palette_of(const bytes& bmp) {
    return bytes(bmp.begin() + 54, bmp.begin() + 1078);
}

bytes palette_at(std::uint32_t offset) {
    const bytes title = title_seq();
    bytes palette(1024);
    EXPECT_TRUE(dec_ss_pal(title.data() + offset, palette.data(), 256, transparency::plain).ok());
    return palette;
}

const char* const sheets[] = {"RULU",  "LAGNS", "SHEZ", "WITC", "DRAC",  "TARA", "MOMO",
                              "MOME1", "MOME2", "SATA", "CARB", "ARLE2", "RULU2"};

TEST(Title, WithoutTitleDataNothingElseIsOpened) {
    scratch_dir dir;
    dir.put_disc_file("TITLELOG.SPR", bytes(296 * 2, 1));
    const group_run r = run_group(group_title);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, report_of(-201, "q:\\TITLE.SEQ"));
    EXPECT_FALSE(fs::exists("TITLELOG.BMP"));
}

TEST(Title, EveryMissingPictureIsReportedAndTheGroupGoesOn) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", title_seq());
    const group_run r = run_group(group_title);
    EXPECT_TRUE(r.ok);
    std::string expected = report_of(-201, "q:\\TITLELOG.SPR") + report_of(-201, "q:\\TITLEBG.BBG");
    for (const char* sheet : sheets) {
        expected += report_of(-201, ("q:\\DM_" + std::string(sheet) + ".SPR").c_str());
    }
    for (const cell_map& row : dm_cell_maps) {
        expected += report_of(-201, ("q:\\DM_" + std::string(row.map_name) + ".MAP").c_str());
    }
    EXPECT_EQ(r.console, expected);
}

TEST(Title, SpriteHeightIsWholeRowsDelivered) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", title_seq());
    bytes logo(61440, 0x11);
    std::fill(logo.end() - 168, logo.end(), 0xEE); // past the last whole row of 296
    dir.put_disc_file("TITLELOG.SPR", logo);
    dir.put_disc_file("DM_RULU.SPR", bytes(61440, 0x22));
    dir.put_disc_file("DM_LAGNS.SPR", bytes(100, 0x33)); // not one row of 112
    const group_run r = run_group(group_title);
    EXPECT_NE(r.console.find("done > TITLELOG.BMP\n"), std::string::npos);
    EXPECT_NE(r.console.find(report_of(-501, "bmp_out")), std::string::npos);
    const bytes bmp = read_file("TITLELOG.BMP");
    EXPECT_EQ(le32_at(bmp, 18), 296u);
    EXPECT_EQ(le32_at(bmp, 22), 207u);
    EXPECT_EQ(bmp.size(), 1078 + 296 * 207u);
    EXPECT_EQ(bmp.back(), 0x11);
    EXPECT_EQ(palette_of(bmp), palette_at(16816));
    EXPECT_EQ(le32_at(read_file("DM_RULU.BMP"), 22), 480u);
    EXPECT_FALSE(fs::exists("DM_LAGNS.BMP"));
}

TEST(Title, BackgroundIsTheTopLeftOfItsPicture) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", title_seq());
    bytes background(512 * 256);
    for (std::size_t y = 0; y < 256; ++y) {
        for (std::size_t x = 0; x < 512; ++x) {
            background[y * 512 + x] = (x < 352 && y < 240) ? static_cast<std::uint8_t>(y) : 0xFF;
        }
    }
    dir.put_disc_file("TITLEBG.BBG", background);
    run_group(group_title);
    const bytes bmp = read_file("TITLEBG.BMP");
    ASSERT_EQ(bmp.size(), 85558u);
    EXPECT_EQ(palette_of(bmp), palette_at(17328));
    for (std::size_t row = 0; row < 240; ++row) { // stored bottom row first
        const bytes line(bmp.begin() + 1078 + row * 352, bmp.begin() + 1078 + (row + 1) * 352);
        ASSERT_EQ(line, bytes(352, static_cast<std::uint8_t>(239 - row))) << row;
    }
}

TEST(Title, SheetsTakeTheirTablePalettes) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", title_seq());
    for (const char* sheet : sheets) {
        dir.put_disc_file("DM_" + std::string(sheet) + ".SPR", bytes(256 * 2, 7));
    }
    const group_run r = run_group(group_title);
    std::string lines;
    for (const char* sheet : sheets) {
        lines += "done > DM_" + std::string(sheet) + ".BMP\n";
    }
    EXPECT_NE(r.console.find(lines), std::string::npos);
    EXPECT_EQ(palette_of(read_file("DM_RULU.BMP")), palette_at(21968));
    EXPECT_EQ(palette_of(read_file("DM_RULU2.BMP")), palette_at(37328));
    EXPECT_EQ(palette_of(read_file("DM_DRAC.BMP")), palette_of(read_file("DM_TARA.BMP")));
    EXPECT_EQ(palette_of(read_file("DM_MOME1.BMP")), palette_of(read_file("DM_MOME2.BMP")));
    EXPECT_EQ(le32_at(read_file("DM_DRAC.BMP"), 18), 232u);
}

} // namespace
