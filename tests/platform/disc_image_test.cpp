// Disc images standing in for drives, made here from small folders.
#include "disc/load_disc_file.hpp"
#include "extract/faces.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Makes image.iso, and image.bin and image.cue in mode 1, from the folder "files".
void make_images() {
    const std::string iso = std::string("\"") + XORRISO_EXE +
                            "\" -as mkisofs -quiet -allow-lowercase -o image.iso files "
                            ">/dev/null 2>&1";
    ASSERT_EQ(std::system(iso.c_str()), 0);
    const std::string raw =
        std::string("\"") + RAW_IMAGER_EXE + "\" image.iso image.bin image.cue 1";
    ASSERT_EQ(std::system(raw.c_str()), 0);
}

void drive_q_is(const char* image) {
    fs::remove("q:");
    fs::create_symlink(image, "q:");
}

bytes counting(std::size_t n) {
    bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return b;
}

TEST(DiscImage, NamesLoseTheirVersionAndMatchWithoutCase) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/f010.spr", counting(100));
    write_file("files/F002.SPR", counting(200));
    write_file("files/title.seq", counting(5000));
    make_images();
    for (const char* image : {"image.iso", "image.cue", "image.bin"}) {
        drive_q_is(image);
        const auto q = drive_q();
        EXPECT_EQ(q->search("F*.SPR"), (std::vector<std::string>{"F002.SPR", "f010.spr"})) << image;
        bytes buffer(8192, 0);
        fault failure;
        EXPECT_EQ(load_disc_file(*q, "TITLE.SEQ", buffer.data(), 8192, failure), 5000) << image;
        buffer.resize(5000);
        EXPECT_EQ(buffer, counting(5000)) << image;
    }
}

TEST(DiscImage, UnreadableSectorsAreReadErrors) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/A.BIN", counting(3000));
    write_file("files/Z.BIN", counting(200000)); // laid out last, well past the cut
    make_images();
    // Keep 40%: past A.BIN, into Z.BIN (the image ends in padding).
    fs::resize_file("image.bin", fs::file_size("image.bin") / 2352 * 2 / 5 * 2352);
    drive_q_is("image.cue");
    const auto q = drive_q();
    bytes buffer(262144, 0);
    fault failure;
    EXPECT_EQ(load_disc_file(*q, "A.BIN", buffer.data(), 262144, failure), 3000);
    EXPECT_EQ(load_disc_file(*q, "Z.BIN", buffer.data(), 262144, failure), -601);
    EXPECT_EQ(failure.path, "q:\\Z.BIN");
}

TEST(DiscImage, FileThatIsNoImageIsAnEmptyDrive) {
    scratch_dir dir;
    write_file("notes.txt", bytes(5000, 'x'));
    write_file("broken.cue", bytes(40, 'x'));
    for (const char* image : {"notes.txt", "broken.cue"}) {
        drive_q_is(image);
        const group_run r = run_group(ext_faces);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, report_of(-104, nullptr)) << image;
        bytes buffer(16, 0);
        fault failure;
        EXPECT_EQ(load_disc_file(*drive_q(), "TITLE.SEQ", buffer.data(), 16, failure), -201);
        EXPECT_EQ(failure.path, "q:\\TITLE.SEQ");
    }
}

} // namespace
