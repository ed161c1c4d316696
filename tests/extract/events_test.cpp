#include "extract/events.hpp"

#include "gfx/colour.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t cel_bytes = 84480;
constexpr std::size_t event_bmp_size = 85558;
constexpr std::uint16_t shared_palette = 0x2000;
constexpr std::uint16_t lowest_character = 0x100;

// The pictures in the order they are made.
std::vector<std::string> event_names() {
    std::vector<std::string> names = {"OP_ARLE", "EV1001"};
    for (int n = 1; n <= 27; ++n) {
        if (n != 15) {
            names.push_back((n < 10 ? "EV_0" : "EV_") + std::to_string(n));
        }
    }
    return names;
}

// Palette store whose every word is its own word index: each block tells where it lies.
bytes seq_data() {
    bytes b;
    for (std::uint16_t i = 0; i < 54528 / 2; ++i) {
        put_be16(b, i);
    }
    return b;
}

// 64 x 32 table: the 44 x 30 corner names cells 0.. in reading order, 8 bits deep (two
// units a cell); every entry carries one palette field. `character_step` 2 gives depth 8.
bytes event_map(std::uint16_t character_step = 2, std::uint16_t odd_palette = shared_palette) {
    bytes b;
    for (std::uint16_t row = 0; row < 32; ++row) {
        for (std::uint16_t col = 0; col < 64; ++col) {
            const bool shown = row < 30 && col < 44;
            const std::uint16_t cell = shown ? static_cast<std::uint16_t>(row * 44 + col) : 0;
            const std::uint16_t palette = (row == 31 && col == 63) ? odd_palette : shared_palette;
            put_be16(b, static_cast<std::uint16_t>(palette |
                                                   (lowest_character + character_step * cell)));
        }
    }
    return b;
}

// Cell k is filled with the byte k mod 251.
bytes cel_data(std::size_t size = cel_bytes) {
    bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::uint8_t>(i / 64 % 251);
    }
    return b;
}

void put_event_disc(const scratch_dir& dir, bool with_cels = true) {
    dir.put_disc_file("MP1001.SEQ", seq_data());
    dir.put_disc_file("EVENT.MAP", event_map());
    if (with_cels) {
        for (const std::string& name : event_names()) {
            dir.put_disc_file(name + ".CEL", cel_data());
        }
    }
}

bytes pixels_of(const bytes& bmp) {
    return bytes(bmp.begin() + 1078, bmp.end());
}

std::string done_lines(const std::vector<std::string>& names) {
    std::string lines;
    for (const std::string& name : names) {
        lines += "done > " + name + ".BMP\n";
    }
    return lines;
}

TEST(Events, EveryPictureIsMadeInOrderAndEv15NeverIs) {
    scratch_dir dir;
    put_event_disc(dir);
    dir.put_disc_file("EV_15.CEL", cel_data());
    const group_run r = run_group(group_events);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, done_lines(event_names()));
    for (const std::string& name : event_names()) {
        EXPECT_EQ(fs::file_size(name + ".BMP"), event_bmp_size) << name;
    }
    EXPECT_FALSE(fs::exists("EV_15.BMP"));
}

TEST(Events, PicturesAreTheCellsInTableOrderWithTheirOwnPaletteBlock) {
    scratch_dir dir;
    put_event_disc(dir);
    run_group(group_events);
    const bytes seq = seq_data();
    const struct {
        const char* name;
        std::size_t block;
    } blocks[] = {{"OP_ARLE", 24432}, {"EV1001", 23344}, {"EV_01", 24944},
                  {"EV_14", 31600},   {"EV_16", 32112},  {"EV_27", 37744}};
    for (const auto& b : blocks) {
        const bytes bmp = read_file(std::string(b.name) + ".BMP");
        ASSERT_EQ(bmp.size(), event_bmp_size);
        bytes palette(1024);
        EXPECT_TRUE(
            dec_ss_pal(seq.data() + b.block, palette.data(), 256, transparency::plain).ok());
        EXPECT_EQ(bytes(bmp.begin() + 54, bmp.begin() + 1078), palette) << b.name;
    }
    // Pixel (x, y) shows cell (y / 8) * 44 + x / 8; the file keeps the bottom row first.
    const bytes bmp = read_file("EV_01.BMP");
    const auto pixel = [&](std::size_t x, std::size_t y) {
        return bmp[1078 + (239 - y) * 352 + x];
    };
    EXPECT_EQ(pixel(0, 0), 0);
    EXPECT_EQ(pixel(351, 0), 43);
    EXPECT_EQ(pixel(8, 8), 45);
    EXPECT_EQ(pixel(351, 239), 1319 % 251);
}

TEST(Events, MissingPaletteStoreIsTheOnlyLine) {
    scratch_dir dir; // no EVENT.MAP either: it must not be opened
    const group_run r = run_group(group_events);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, report_of(-201, "q:\\MP1001.SEQ"));
}

TEST(Events, TableOfAnotherDepthEndsTheGroupSilentlyBeforeAnyCel) {
    // Steps of 1 give depth 4, of 4 depth 16; one foreign palette field gives depth 9.
    for (const bytes& map : {event_map(1), event_map(4), event_map(2, 0x5000)}) {
        scratch_dir dir;
        put_event_disc(dir, false);
        dir.put_disc_file("EVENT.MAP", map);
        const group_run r = run_group(group_events);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, "");
    }
    scratch_dir dir;
    put_event_disc(dir, false);
    dir.put_disc_file("EVENT.MAP", bytes(4096, 0));
    const group_run zeros = run_group(group_events);
    EXPECT_FALSE(zeros.ok);
    EXPECT_EQ(zeros.console, report_of(-501, "opti_ss_pnb"));
}

TEST(Events, CelMustDeliverTheWholePicture) {
    scratch_dir dir;
    put_event_disc(dir);
    dir.put_disc_file("EV_02.CEL", cel_data(cel_bytes - 1));
    bytes longer = cel_data(90000);
    dir.put_disc_file("EV_03.CEL", longer);
    const group_run r = run_group(group_events);
    EXPECT_TRUE(r.ok);
    std::vector<std::string> made = event_names();
    made.erase(made.begin() + 3); // EV_02, skipped without a word
    EXPECT_EQ(r.console, done_lines(made));
    // Its first 84480 bytes make the same pixels as EV_01's whole file.
    EXPECT_EQ(pixels_of(read_file("EV_03.BMP")), pixels_of(read_file("EV_01.BMP")));
}

TEST(Events, EveryCelMissingStillLeavesTheGroupWhole) {
    scratch_dir dir;
    put_event_disc(dir, false);
    const group_run r = run_group(group_events);
    EXPECT_TRUE(r.ok);
    std::string expected;
    for (const std::string& name : event_names()) {
        expected += report_of(-201, ("q:\\" + name + ".CEL").c_str());
    }
    EXPECT_EQ(r.console, expected);
}

TEST(Events, PackedCelGivesTheSamePicture) {
    scratch_dir dir;
    put_event_disc(dir);
    bytes cell(64);
    for (std::size_t i = 0; i < cell.size(); ++i) {
        cell[i] = static_cast<std::uint8_t>(i * 3);
    }
    bytes raw;
    for (int k = 0; k < 1320; ++k) {
        raw.insert(raw.end(), cell.begin(), cell.end());
    }
    dir.put_disc_file("EV_05.CEL", cnx_of_repeats(cell, cel_bytes));
    dir.put_disc_file("EV_06.CEL", raw);
    run_group(group_events);
    EXPECT_EQ(pixels_of(read_file("EV_05.BMP")), pixels_of(read_file("EV_06.BMP")));
    EXPECT_NE(pixels_of(read_file("EV_05.BMP")), pixels_of(read_file("EV_04.BMP")));
}

} // namespace
