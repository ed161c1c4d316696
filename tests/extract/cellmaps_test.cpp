#include "extract/cellmaps.hpp"

#include "gfx/colour.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t shared_palette = 0x4000;
constexpr std::uint16_t base = 0x20;

// A 64 x 64 map whose top left width x height entries name cells 0.. in reading order,
// `units` units a cell, from `first_unit` on; the other entries name unit 0.
bytes cell_map_file(int width, int height, std::uint16_t units,
                    std::uint16_t palette_bits = shared_palette, std::uint16_t first_unit = 0) {
    bytes b;
    for (int row = 0; row < 64; ++row) {
        for (int col = 0; col < 64; ++col) {
            const bool shown = row < height && col < width;
            const int unit = shown ? first_unit + units * (row * width + col) : 0;
            put_be16(b, static_cast<std::uint16_t>(palette_bits | (base + unit)));
        }
    }
    return b;
}

// Cells of `cell_bytes` bytes, cell k filled with the byte k + 1.
bytes cell_file(int count, std::size_t cell_bytes) {
    bytes b;
    for (int k = 0; k < count; ++k) {
        b.insert(b.end(), cell_bytes, static_cast<std::uint8_t>(k + 1));
    }
    return b;
}

// Title data whose every word is its own word index, so each palette tells where it lies.
bytes title_data() {
    bytes b;
    for (std::uint32_t i = 0; i < title_data_size / 2; ++i) {
        put_be16(b, static_cast<std::uint16_t>(i));
    }
    return b;
}

bytes palette_at(std::uint32_t offset, std::size_t entries = 256) {
    const bytes title = title_data();
    bytes palette(1024);
    EXPECT_TRUE(dec_ss_pal(title.data() + offset, palette.data(), 256, transparency::plain).ok());
    palette.resize(entries * 4);
    return palette;
}

group_run run_row(const cell_map& row) {
    const bytes title = title_data();
    test_run t;
    // Each picture in turn; a failure costs those after it, as in a run.
    std::vector<std::string> costs;
    for (unsigned k = 0; k < counts_pictures(row.counts); ++k) {
        costs.push_back(cellmap_picture_name(row, k));
    }
    group_job job(t.run(), group_cellmaps, transparency::plain);
    bool ok = true;
    for (unsigned k = 0; ok && k < costs.size(); ++k) {
        job.set_costs(std::vector<std::string>(costs.begin() + k, costs.end()));
        ok = dec_cellmap(job, title.data(), row, k);
    }
    return {ok, t.console()};
}

// The map and the one cell file of a 4 x 2 row of 8-bit cells, cell k filled with k + 1.
void put_eight_bit_row(const scratch_dir& dir) {
    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 2));
    dir.put_disc_file("DM_TSTC.CEL", cell_file(8, 64));
}

constexpr cell_map one_file_row = {"TEST", "TSTC", 4, 2, 1000, 0x10};

TEST(CellMaps, MapAndCellNamesAreIndependent) {
    scratch_dir dir;
    const group_run no_map = run_row(one_file_row);
    EXPECT_FALSE(no_map.ok);
    EXPECT_EQ(no_map.console, report_of(-201, "q:\\DM_TEST.MAP"));

    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 2));
    EXPECT_EQ(run_row(one_file_row).console, report_of(-201, "q:\\DM_TSTC.CEL"));
    const cell_map parted = {"TEST", "TSTC", 4, 2, 1000, 0x13};
    EXPECT_EQ(run_row(parted).console, report_of(-201, "q:\\DM_TSTC1.CEL"));
}

TEST(CellMaps, EightBitPictureFromOneFile) {
    scratch_dir dir;
    put_eight_bit_row(dir);
    const group_run r = run_row(one_file_row);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "done > DM_TEST.BMP\n");
    const bytes bmp = read_file("DM_TEST.BMP");
    ASSERT_EQ(bmp.size(), 54 + 1024 + 32 * 16u);
    EXPECT_EQ(le32_at(bmp, 18), 32u);
    EXPECT_EQ(le32_at(bmp, 22), 16u);
    EXPECT_EQ(le16_at(bmp, 28), 8);
    EXPECT_EQ(bytes(bmp.begin() + 54, bmp.begin() + 1078), palette_at(1000));
    // The bottom row of the file is the last pixel row: cells 4 to 7.
    EXPECT_EQ(bmp[1078], 5);
    EXPECT_EQ(bmp[1078 + 31], 8);
    EXPECT_EQ(bmp.back(), 4); // top row, right end: cell 3
}

TEST(CellMaps, FourBitPictureKeepsSixteenColours) {
    scratch_dir dir;
    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 1));
    dir.put_disc_file("DM_TSTC.CEL", cell_file(8, 32));
    const group_run r = run_row(one_file_row);
    EXPECT_EQ(r.console, "done > DM_TEST.BMP\n");
    const bytes bmp = read_file("DM_TEST.BMP");
    ASSERT_EQ(bmp.size(), 54 + 64 + 16 * 16u);
    EXPECT_EQ(le16_at(bmp, 28), 4);
    EXPECT_EQ(bytes(bmp.begin() + 54, bmp.begin() + 118), palette_at(1000, 16));
    EXPECT_EQ(bmp[118], 5); // two pixels a byte: cell 4's byte as it lies
}

TEST(CellMaps, PartsLieOneBehindTheOther) {
    scratch_dir dir;
    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 2));
    const bytes cells = cell_file(8, 64);
    // Three parts, each read with room for 87381 bytes: 100, 200 and the rest.
    dir.put_disc_file("DM_TSTC1.CEL", bytes(cells.begin(), cells.begin() + 100));
    dir.put_disc_file("DM_TSTC2.CEL", bytes(cells.begin() + 100, cells.begin() + 300));
    dir.put_disc_file("DM_TSTC3.CEL", bytes(cells.begin() + 300, cells.end()));
    const cell_map parted = {"TEST", "TSTC", 4, 2, 1000, 0x13};
    EXPECT_EQ(run_row(parted).console, "done > DM_TEST.BMP\n");
    const bytes whole_file = read_file("DM_TEST.BMP");
    fs::remove("DM_TEST.BMP");
    dir.put_disc_file("DM_TSTC.CEL", cells);
    run_row(one_file_row);
    EXPECT_EQ(read_file("DM_TEST.BMP"), whole_file);
}

TEST(CellMaps, PartLongerThanItsShareIsCut) {
    scratch_dir dir;
    // Four parts have room for 65536 bytes each: a first part of 65600 gives only its share,
    // and the cells of the second, named from unit 2048 on, lie right behind it.
    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 2, shared_palette, 2048));
    dir.put_disc_file("DM_TSTC1.CEL", bytes(65600, 0x77));
    dir.put_disc_file("DM_TSTC2.CEL", cell_file(8, 64));
    dir.put_disc_file("DM_TSTC3.CEL", bytes(1, 0));
    dir.put_disc_file("DM_TSTC4.CEL", bytes(1, 0));
    const cell_map parted = {"TEST", "TSTC", 4, 2, 1000, 0x14};
    EXPECT_EQ(run_row(parted).console, "done > DM_TEST.BMP\n");
    const bytes bmp = read_file("DM_TEST.BMP");
    EXPECT_EQ(bmp[1078], 5);
    EXPECT_EQ(bmp.back(), 4);
}

TEST(CellMaps, EveryPictureOfARowHasTheNextPalette) {
    scratch_dir dir;
    put_eight_bit_row(dir);
    const cell_map four = {"TEST", "TSTC", 4, 2, 24528, 0x40};
    const group_run r = run_row(four);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "done > DM_TEST_0.BMP\ndone > DM_TEST_1.BMP\n"
                         "done > DM_TEST_2.BMP\ndone > DM_TEST_3.BMP\n");
    const bytes first = read_file("DM_TEST_0.BMP");
    for (int k = 0; k < 4; ++k) {
        const bytes bmp = read_file("DM_TEST_" + std::to_string(k) + ".BMP");
        EXPECT_EQ(bytes(bmp.begin() + 54, bmp.begin() + 1078), palette_at(24528 + 512 * k)) << k;
        EXPECT_EQ(bytes(bmp.begin() + 1078, bmp.end()), bytes(first.begin() + 1078, first.end()));
    }
}

TEST(CellMaps, WriteFailureEndsTheRow) {
    scratch_dir dir;
    put_eight_bit_row(dir);
    fs::create_directory("DM_TEST_2.BMP"); // cannot be written over
    const cell_map four = {"TEST", "TSTC", 4, 2, 24528, 0x40};
    const group_run r = run_row(four);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console,
              "done > DM_TEST_0.BMP\ndone > DM_TEST_1.BMP\n" + report_of(-602, "bmp_out"));
    EXPECT_FALSE(fs::exists("DM_TEST_3.BMP"));
}

TEST(CellMaps, RowWithoutPicturesStillAssembles) {
    scratch_dir dir;
    put_eight_bit_row(dir);
    const cell_map none = {"TEST", "TSTC", 4, 2, 1000, 0x00};
    const group_run r = run_row(none);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "");
}

TEST(CellMaps, DeepOrMixedCellsEndTheRowSilently) {
    scratch_dir dir;
    dir.put_disc_file("DM_TSTC.CEL", cell_file(8, 128));
    bytes mixed = cell_map_file(4, 2, 2);
    mixed[8190] ^= 0x10; // the last entry's palette field differs: depth 9
    for (const bytes& map : {cell_map_file(4, 2, 4), mixed}) {
        dir.put_disc_file("DM_TEST.MAP", map);
        const group_run r = run_row(one_file_row);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, "");
    }
}

TEST(CellMaps, AssemblyFailuresAreReported) {
    scratch_dir dir;
    dir.put_disc_file("DM_TSTC.CEL", cell_file(8, 64));
    // Mixed palettes at four bits: depth 5, refused by the assembly as unsupported.
    bytes mixed = cell_map_file(4, 2, 1);
    mixed[0] = 0x70;
    dir.put_disc_file("DM_TEST.MAP", mixed);
    EXPECT_EQ(run_row(one_file_row).console, report_of(-202, "dec_s8_tile"));
    // A map of zeros has no depth at all.
    dir.put_disc_file("DM_TEST.MAP", bytes(8192, 0));
    EXPECT_EQ(run_row(one_file_row).console, report_of(-501, "opti_ss_pnb"));
    // A row wider than the map.
    dir.put_disc_file("DM_TEST.MAP", cell_map_file(4, 2, 2));
    const cell_map wide = {"TEST", "TSTC", 65, 1, 1000, 0x10};
    EXPECT_EQ(run_row(wide).console, report_of(-501, "cutimage"));
}

} // namespace
