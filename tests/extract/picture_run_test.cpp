// The one writer: a picture is whole or absent, what is in the folder is replaced only as
// the run is asked, and the run's selection and listing decide what is made at all.
#include "extract/picture_run.hpp"

#include "encode/formats.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

constexpr char routine_line[] = "bmp_out";

// A 24-bit picture of 80 x 80 pixels, every byte `fill`: 19254 bytes as a BMP file.
const bytes& pixels_of(std::uint8_t fill) {
    static bytes pixels;
    pixels.assign(240 * 80, fill);
    return pixels;
}

bool write_one(test_run& t, const char* name, std::uint8_t fill) {
    picture_job job(t.run(), "faces", name);
    job.uses("F001.SPR");
    return job.write({nullptr, pixels_of(fill).data(), 80, 80, 24, false});
}

// Nothing but the pictures: no temporary file is left behind.
std::vector<std::string> folder_entries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != "q:") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PictureWriter, APictureIsWholeOrAbsent) {
    scratch_dir dir;
    {
        test_run t;
        EXPECT_TRUE(write_one(t, "F001", 0x11));
        EXPECT_EQ(t.console(), "done > F001.BMP\n");
    }
    EXPECT_EQ(fs::file_size("F001.BMP"), 19254u);
    // A disk that fills up: the earlier picture stays as it was, no part of the new one is
    // left, and the line on standard error says which file and why.
    test_run t;
    with_file_size_limit(1000, [&] { EXPECT_FALSE(write_one(t, "F001", 0x22)); });
    EXPECT_EQ(t.console(), report_of(-602, routine_line));
    EXPECT_EQ(t.errors(), "quillmoor: cannot write F001.BMP: File too large\n");
    EXPECT_EQ(read_file("F001.BMP")[54], 0x11);
    EXPECT_EQ(folder_entries(), (std::vector<std::string>{"F001.BMP"}));
}

TEST(PictureWriter, WhatHoldsThePicturesNameIsReplacedOnlyWhenItIsAFileOrLink) {
    scratch_dir dir;
    write_file("outside.bin", bytes(10, 'o'));
    fs::create_symlink("outside.bin", "F001.BMP");
    fs::create_directory("F002.BMP");
    ASSERT_EQ(mkfifo("F003.BMP", 0600), 0);
    test_run t;
    EXPECT_TRUE(write_one(t, "F001", 0x11));
    EXPECT_FALSE(write_one(t, "F002", 0x11));
    EXPECT_FALSE(write_one(t, "F003", 0x11));
    // The link is replaced, never followed.
    EXPECT_FALSE(fs::is_symlink("F001.BMP"));
    EXPECT_EQ(fs::file_size("F001.BMP"), 19254u);
    EXPECT_EQ(read_file("outside.bin"), bytes(10, 'o'));
    EXPECT_TRUE(fs::is_directory("F002.BMP"));
    EXPECT_TRUE(fs::is_fifo("F003.BMP"));
    EXPECT_EQ(t.console(),
              "done > F001.BMP\n" + report_of(-602, routine_line) + report_of(-602, routine_line));
    EXPECT_EQ(t.errors(), "quillmoor: cannot write F002.BMP: Is a directory\n"
                          "quillmoor: cannot write F003.BMP: Is a named pipe\n");
    EXPECT_EQ(folder_entries(),
              (std::vector<std::string>{"F001.BMP", "F002.BMP", "F003.BMP", "outside.bin"}));
}

TEST(PictureWriter, TheFirstPictureOfANameStaysAndNoClobberKeepsWhatIsThere) {
    scratch_dir dir;
    {
        test_run t;
        EXPECT_TRUE(write_one(t, "F001", 0x11));
        EXPECT_TRUE(write_one(t, "F001", 0x22)); // f001.spr after F001.SPR, say
        EXPECT_EQ(t.console(), "done > F001.BMP\n");
        EXPECT_EQ(t.errors(), "quillmoor: F001.SPR also gives F001.BMP: left out, the first "
                              "picture of that name stays\n");
    }
    EXPECT_EQ(read_file("F001.BMP")[54], 0x11);
    picture_settings keep;
    keep.no_clobber = true;
    test_run t(keep);
    EXPECT_TRUE(write_one(t, "F001", 0x33));
    EXPECT_TRUE(write_one(t, "F002", 0x33));
    EXPECT_EQ(t.console(), "done > F002.BMP\n");
    EXPECT_EQ(read_file("F001.BMP")[54], 0x11);
}

TEST(PictureWriter, AListingChecksEveryPictureAndWritesNone) {
    scratch_dir dir;
    picture_settings listing;
    listing.list_only = true;
    test_run t(listing);
    EXPECT_TRUE(write_one(t, "F001", 0x11));
    picture_job sprite(t.run(), "sprites", "DM_LAGNS");
    const bytes palette(1024, 0);
    EXPECT_FALSE(sprite.write({palette.data(), pixels_of(0).data(), 112, 0, 8, false}));
    EXPECT_EQ(t.console(),
              "    80 x 80    24  faces     F001.BMP\n" + report_of(-501, routine_line));
    EXPECT_EQ(folder_entries(), std::vector<std::string>{});
}

TEST(PictureWriter, FormatsNameTheirFilesAndFailures) {
    const picture_format* png = find_picture_format("PNG");
    ASSERT_NE(png, nullptr);
    if (!png->ready()) {
        GTEST_SKIP() << "this build writes no PNG files";
    }
    scratch_dir dir;
    picture_settings as_png;
    as_png.format = png;
    test_run t(as_png);
    EXPECT_TRUE(write_one(t, "F001", 0x11));
    fs::create_directory("F002.PNG");
    EXPECT_FALSE(write_one(t, "F002", 0x11));
    EXPECT_EQ(t.console(), "done > F001.PNG\n" + report_of(-602, "png_out"));
    EXPECT_TRUE(fs::exists("F001.PNG"));
}

TEST(Selection, NamesMatchAsGlobsWithoutCaseAndGroupsByName) {
    const selection all;
    EXPECT_TRUE(all.selects("EV_01", "events"));
    const selection some({"f0*", "endings", "DM_?OM*"});
    EXPECT_TRUE(some.selects("F001", "faces"));
    EXPECT_TRUE(some.selects("f020", "faces"));
    EXPECT_FALSE(some.selects("F100", "faces"));
    EXPECT_TRUE(some.selects("ED_05", "endings"));
    EXPECT_TRUE(some.selects("DM_MOMB1", "cellmaps"));
    EXPECT_TRUE(some.selects("DM_MOME2", "sprites"));
    EXPECT_FALSE(some.selects("DM_SATA", "sprites"));
    EXPECT_FALSE(some.selects("EV_01", "events"));
}

} // namespace
