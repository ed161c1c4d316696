// The table of disc image formats: which format a file is taken for, and what lists the
// formats (-V, the shell's completion) keeping step with it.
#include "image/chd/chd_built.hpp"
#include "image/clonecd.hpp"
#include "image/image_formats.hpp"
#include "platform/image_disc.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

class memory_image final : public image_file {
  public:
    explicit memory_image(bytes data) : data_(std::move(data)) {}

    bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                 std::size_t& delivered) const override {
        delivered = offset < data_.size() ? std::min<std::size_t>(count, data_.size() - offset) : 0;
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset), delivered, out);
        return true;
    }

    std::uint64_t size() const override { return data_.size(); }

  private:
    bytes data_;
};

// A directory record of the root's file, or of the root itself (flags 2, name "\0").
void put_record(bytes& sector, std::size_t at, const std::string& name, std::uint8_t extent,
                std::uint16_t size, std::uint8_t flags) {
    sector[at] = static_cast<std::uint8_t>(34 + name.size() - name.size() % 2);
    sector[at + 2] = extent;
    sector[at + 10] = static_cast<std::uint8_t>(size);
    sector[at + 11] = static_cast<std::uint8_t>(size >> 8);
    sector[at + 25] = flags;
    sector[at + 32] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), sector.begin() + static_cast<std::ptrdiff_t>(at) + 33);
}

// A volume of one file, A.BIN ("hello"): the descriptor in sector 16, the root in 17, the
// file in 18, each sector's 2048 bytes data_at bytes into a frame of frame_size.
bytes volume(std::size_t frame_size, std::size_t data_at) {
    std::vector<bytes> sectors(19, bytes(2048, 0));
    sectors[16][0] = 1;
    std::copy_n("CD001", 5, sectors[16].begin() + 1);
    put_record(sectors[16], 156, std::string(1, '\0'), 17, 2048, 0x02);
    put_record(sectors[17], 0, "A.BIN;1", 18, 5, 0);
    std::copy_n("hello", 5, sectors[18].begin());
    bytes image(sectors.size() * frame_size, 0);
    for (std::size_t i = 0; i < sectors.size(); ++i) {
        std::copy(sectors[i].begin(), sectors[i].end(),
                  image.begin() + static_cast<std::ptrdiff_t>(i * frame_size + data_at));
    }
    return image;
}

std::string format_of(const bytes& content, const char* path) {
    const image_format* f = image_format_of(memory_image(content), path);
    return f != nullptr ? f->name : "none";
}

TEST(ImageFormats, ContentTellsTheFormatBeforeTheName) {
    const bytes iso = volume(2048, 0);
    const std::string sheet = "FILE \"a.bin\" BINARY\n";
    const bytes text(sheet.begin(), sheet.end());
    const bytes blank(40000, 0);
    EXPECT_EQ(format_of(iso, "game.cue"), "ISO 9660");
    EXPECT_EQ(format_of(volume(2352, 16), "game.iso"), "raw 2352-byte");
    EXPECT_EQ(format_of(volume(2352, 24), "game.iso"), "raw 2352-byte");
    EXPECT_EQ(format_of(text, "game.bin"), "CUE sheets");
    const std::string control = "\xEF\xBB\xBF[clonecd]\nVersion=3\n";
    EXPECT_EQ(format_of(bytes(control.begin(), control.end()), "game.txt"), "CloneCD");
    // Content that tells nothing: the name's extension, in any case, of its last name alone.
    EXPECT_EQ(format_of(blank, "GAME.ISO"), "ISO 9660");
    EXPECT_EQ(format_of(blank, "dump.Bin"), "raw 2352-byte");
    EXPECT_EQ(format_of(blank, "sub/disc.cue"), "CUE sheets");
    EXPECT_EQ(format_of(blank, "game.iso/notes"), "none");
    EXPECT_EQ(format_of(blank, "notes.txt"), "none");
    // An ISO that its name calls a sheet is read as the ISO it is.
    const result<std::unique_ptr<disc>> d =
        image_disc_of("q:\\", "game.cue", std::make_unique<memory_image>(iso));
    ASSERT_TRUE(d.ok()) << name_of(d.failure().kind);
    EXPECT_EQ((*d)->search("*"), std::vector<std::string>{"A.BIN"});
    // A name alone makes no image of content that is none.
    const result<std::unique_ptr<disc>> none =
        image_disc_of("q:\\", "blank.iso", std::make_unique<memory_image>(blank));
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.failure().kind, error_kind::not_an_image);
    EXPECT_EQ(none.failure().path, "blank.iso");
}

TEST(ImageFormats, CloneCdControlNamesItsFirstDataTrack) {
    clonecd_data_track track;
    // Audio first, then a mode 2 track whose sectors start at 150; keys and sections in any
    // case and spacing, as the tools that write them differ.
    EXPECT_TRUE(read_clonecd_control("[CloneCD]\r\n[TRACK 2]\r\nMODE=2\r\n index 1 = 150\r\n"
                                     "[TRACK 1]\r\nMODE=0\r\nINDEX 1=0\r\n",
                                     track));
    EXPECT_EQ(track.frames.data_at, raw_mode2.data_at);
    EXPECT_EQ(track.start, 150u * 2352u);
    EXPECT_TRUE(read_clonecd_control("[Track 3]\nMODE=1\nINDEX 1=7\n[TRACK 4]\nMODE=2\n"
                                     "INDEX 1=9\n",
                                     track));
    EXPECT_EQ(track.frames.data_at, raw_mode1.data_at);
    EXPECT_EQ(track.start, 7u * 2352u);
    // A track without its start, or audio alone, is no data track.
    EXPECT_FALSE(read_clonecd_control("[TRACK 1]\nMODE=1\n[TRACK 2]\nMODE=0\nINDEX 1=0\n", track));
    EXPECT_FALSE(read_clonecd_control("[TRACKS 1]\nMODE=1\nINDEX 1=0\n", track));
}

TEST(ImageFormats, WhatListsTheFormatsKeepsToTheTable) {
    // -V where drives' devices are not read as images (Windows); the others' is run_test's.
    // A format this build leaves out is not listed.
    EXPECT_EQ(image_format_support(false),
              std::string("ISO 9660 (.iso), raw 2352-byte (.bin), CUE sheets") +
                  (chd_images_built ? ", CloneCD (.ccd) and CHD (.chd)" : " and CloneCD (.ccd)"));
    // The shell completes the files of every format, by its extensions in either case.
    const bytes script = read_file(COMPLETION_SCRIPT);
    const std::string text(script.begin(), script.end());
    const std::string opening = "_filedir '@(";
    const std::size_t from = text.find(opening);
    ASSERT_NE(from, std::string::npos);
    const std::size_t to = text.find(")'", from);
    std::string expected;
    for (const image_format& f : image_formats()) {
        for (const std::string_view e : f.extensions) {
            std::string upper(e);
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](char c) { return static_cast<char>(std::toupper(c)); });
            expected += (expected.empty() ? "" : "|") + std::string(e) + "|" + upper;
        }
    }
    EXPECT_EQ(text.substr(from + opening.size(), to - from - opening.size()), expected);
}

} // namespace
