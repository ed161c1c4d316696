#include "extract/faces.hpp"

#include "gfx/colour.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t face_bytes = 12800;
constexpr std::size_t face_bmp_size = 19254;

// Every word is the top-bit-set red of its column, except column 0, whose words have the
// top bit clear; row y carries green y.
bytes portrait(std::size_t size = face_bytes) {
    bytes b;
    for (std::size_t i = 0; b.size() < size; ++i) {
        const std::size_t x = i % 80;
        const std::size_t y = i / 80 % 80;
        const auto word =
            static_cast<std::uint16_t>((x == 0 ? 0 : 0x8000) | (y % 32) << 5 | (x % 32));
        put_be16(b, word);
    }
    b.resize(size);
    return b;
}

// The blue, green, red bytes of pixel (x, y) in a written 80 x 80 portrait.
bytes pixel_of(const bytes& bmp, std::size_t x, std::size_t y) {
    const std::size_t at = 54 + (79 - y) * 240 + x * 3;
    return bytes(bmp.begin() + at, bmp.begin() + at + 3);
}

// Runs the group as the extraction run does, under mode 255.
group_run run_faces() {
    return run_group(group_faces);
}

TEST(Faces, PortraitBecomesA24BitPictureWithUnmarkedPixelsAsMarker) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", portrait());
    const group_run r = run_faces();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "done > F001.BMP\n");
    const bytes bmp = read_file("F001.BMP");
    ASSERT_EQ(bmp.size(), face_bmp_size);
    EXPECT_EQ(le32_at(bmp, 10), 54u);
    EXPECT_EQ(le16_at(bmp, 28), 24);
    EXPECT_EQ(pixel_of(bmp, 0, 0), (bytes{1, 1, 1})); // top bit clear: the marker
    EXPECT_EQ(pixel_of(bmp, 0, 79), (bytes{1, 1, 1}));
    EXPECT_EQ(pixel_of(bmp, 31, 0), (bytes{0, 0, 248})); // pure red
    EXPECT_EQ(pixel_of(bmp, 1, 3), (bytes{0, 24, 8}));
    EXPECT_EQ(pixel_of(bmp, 79, 79), (bytes{0, 15 * 8, 15 * 8}));
}

TEST(Faces, EveryMatchIsTakenInTurnAndFailuresDoNotStopTheSearch) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", portrait(face_bytes - 1)); // short: skipped silently
    dir.put_disc_file("F002.SPR", portrait(13000));          // long: first 12800 bytes count
    dir.put_disc_file("F1234567.SPR", portrait());           // twelve characters: fine
    dir.put_disc_file("F12345678.SPR", portrait());          // thirteen: too long
    dir.put_disc_file("f005.spr", portrait());               // only the extension changes
    dir.put_disc_file("F006.SPR", cnx_file({0x02, 0x00, 0x00, 0x00}, 12800)); // corrupt
    const group_run r = run_faces();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "done > F002.BMP\n" + report_of(-504, "dec_cnxlz") +
                             "done > F1234567.BMP\n" + report_of(-102, nullptr) +
                             "done > f005.BMP\n");
    EXPECT_FALSE(fs::exists("F001.BMP"));
    EXPECT_FALSE(fs::exists("F006.BMP"));
    EXPECT_EQ(read_file("F002.BMP"), read_file("F1234567.BMP"));
    EXPECT_TRUE(fs::exists("f005.BMP"));
}

TEST(Faces, PackedPortraitGivesTheSamePicture) {
    scratch_dir dir;
    // Every row the same as the first, so that the container is small enough to fit.
    const bytes whole = portrait();
    const bytes row(whole.begin(), whole.begin() + 160);
    bytes raw;
    for (int y = 0; y < 80; ++y) {
        raw.insert(raw.end(), row.begin(), row.end());
    }
    dir.put_disc_file("F001.SPR", raw);
    dir.put_disc_file("F002.SPR", cnx_of_repeats(row, face_bytes));
    const group_run r = run_faces();
    EXPECT_EQ(r.console, "done > F001.BMP\ndone > F002.BMP\n");
    EXPECT_EQ(read_file("F001.BMP"), read_file("F002.BMP"));
}

TEST(Faces, NameWithoutADotGetsTheExtensionAddedNotWrittenOverItself) {
    scratch_dir dir;
    dir.put_disc_file("FACE", portrait());
    test_run t;
    EXPECT_TRUE(dec_face(t.run(), "FACE", transparency::mark_clear));
    EXPECT_EQ(t.console(), "done > FACE.BMP\n");
    EXPECT_EQ(read_file(dir.path() / "q:" / "FACE"), portrait());
    EXPECT_EQ(read_file("FACE.BMP").size(), face_bmp_size);
}

TEST(Faces, NoPortraitAtAllIsTheGroupsFailure) {
    scratch_dir dir;
    dir.put_disc_file("G001.SPR", portrait());
    const group_run r = run_faces();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, report_of(-104, nullptr));
}

TEST(Faces, GroupSucceedsEvenWhenEveryPortraitFails) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", bytes(10, 0));
    dir.put_disc_file("F002.SPR", bytes());
    const group_run r = run_faces();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.console, "");
}

} // namespace
