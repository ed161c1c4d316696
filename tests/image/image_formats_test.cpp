// The table of disc image formats: which format a file is taken for, and what lists the
// formats (-V, the shell's completion) keeping step with it.
#include "image/alcohol.hpp"
#include "image/chd/chd_built.hpp"
#include "image/clonecd.hpp"
#include "image/image_formats.hpp"
#include "image/nero.hpp"
#include "platform/image_disc.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

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

// width bytes of value at at, grown as needed: the descriptors' fields.
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

// An Alcohol descriptor of one session: the lead-in's A0, then per track its point, mode,
// sector size and start; each track's footer names the frames as the descriptor's own.
struct mds_track {
    std::uint8_t point;
    std::uint8_t mode;
    std::uint16_t size;
    std::uint64_t start;
};
bytes mds(const std::vector<mds_track>& tracks) {
    bytes b;
    put_text(b, 0, "MEDIA DESCRIPTOR");
    put(b, 0x10, 1, 1, false);    // version 1
    put(b, 0x14, 1, 2, false);    // one session
    put(b, 0x50, 0x58, 4, false); // its block
    put(b, 0x58 + 0x0A, tracks.size() + 1, 1, false);
    put(b, 0x58 + 0x14, 0x70, 4, false);
    const std::size_t footer = 0x70 + (tracks.size() + 1) * 80;
    put(b, 0x70 + 4, 0xA0, 1, false);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const std::size_t block = 0x70 + (i + 1) * 80;
        put(b, block, tracks[i].mode, 1, false);
        put(b, block + 4, tracks[i].point, 1, false);
        put(b, block + 0x10, tracks[i].size, 2, false);
        put(b, block + 0x28, tracks[i].start, 8, false);
        put(b, block + 0x34, footer, 4, false);
    }
    put(b, footer, footer + 16, 4, false);
    put_text(b, footer + 16, std::string_view("*.mdf", 6));
    return b;
}

TEST(ImageFormats, AlcoholDescriptorNamesItsFirstDataTrack) {
    alcohol_data_track track;
    // Audio first, then mode 1 in 2448-byte sectors (the subcode after each frame) at byte
    // 5000 of the frames, which bear the descriptor's own name.
    const bytes two = mds({{1, 0xA9, 2352, 0}, {2, 0xAA, 2448, 5000}, {3, 0xAC, 2048, 9000}});
    EXPECT_EQ(read_alcohol_descriptor(two, track), alcohol_reading::data_track);
    EXPECT_EQ(track.frames.frame_size, 2448u);
    EXPECT_EQ(track.frames.data_at, raw_mode1.data_at);
    EXPECT_EQ(track.start, 5000u);
    EXPECT_EQ(track.file, ".mdf");
    // Mode 2 form 1, raw and cooked; a name in UTF-16.
    bytes wide = mds({{1, 0xEC, 2352, 0}});
    put(wide, 0x70 + 2 * 80 + 4, 1, 4, false);
    put_text(wide, 0x70 + 2 * 80 + 16, std::string_view("g\0\xE9\0.\0m\0d\0f\0\0\0", 14));
    EXPECT_EQ(read_alcohol_descriptor(wide, track), alcohol_reading::data_track);
    EXPECT_EQ(track.frames.data_at, raw_mode2.data_at);
    EXPECT_EQ(track.file, "g\xC3\xA9.mdf");
    EXPECT_EQ(read_alcohol_descriptor(mds({{1, 0xAC, 2048, 0}}), track),
              alcohol_reading::data_track);
    EXPECT_EQ(track.frames.frame_size, 2048u);
    EXPECT_EQ(read_alcohol_descriptor(mds({{1, 0xA9, 2352, 0}}), track),
              alcohol_reading::no_data_track);
    EXPECT_EQ(read_alcohol_descriptor(mds({{1, 0xAA, 2000, 0}}), track), alcohol_reading::damaged);
    // Cut short, or counting and pointing past its end: damaged, never read beyond it.
    EXPECT_EQ(read_alcohol_descriptor(std::span(two).first(0x70 + 3 * 80), track),
              alcohol_reading::damaged);
    bytes many = two;
    put(many, 0x14, 0xFFFF, 2, false);
    EXPECT_EQ(read_alcohol_descriptor(many, track), alcohol_reading::damaged);
    bytes far = two;
    put(far, 0x58 + 0x14, 0xFFFFFFF0, 4, false);
    EXPECT_EQ(read_alcohol_descriptor(far, track), alcohol_reading::damaged);
    bytes unnamed = two;
    unnamed.pop_back();
    EXPECT_EQ(read_alcohol_descriptor(unnamed, track), alcohol_reading::damaged);
    EXPECT_EQ(read_alcohol_descriptor(std::span(two).first(15), track),
              alcohol_reading::not_a_descriptor);
    EXPECT_EQ(format_of(two, "game.dat"), "Alcohol 120%");
    EXPECT_EQ(format_of(bytes(40000, 0), "game.MDF"), "Alcohol 120%");
}

// A Nero chunk.
bytes chunk(std::string_view id, const bytes& body) {
    bytes b;
    put_text(b, 0, id);
    put(b, 4, body.size(), 4, true);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A DAOX (or, with wide 4, DAOI) body: per track its mode, sector size and offsets.
struct nrg_track {
    std::uint8_t mode;
    std::uint16_t size;
    std::uint64_t index1;
    std::uint64_t end;
};
bytes dao(const std::vector<nrg_track>& tracks, std::size_t wide) {
    const std::size_t block = 18 + 3 * wide;
    bytes b(22, 0);
    put(b, 20, 1, 1, true);
    put(b, 21, tracks.size(), 1, true);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const std::size_t at = 22 + i * block;
        put(b, at + 12, tracks[i].size, 2, true);
        put(b, at + 14, tracks[i].mode, 1, true);
        put(b, at + 18, tracks[i].index1, wide, true);
        put(b, at + 18 + wide, tracks[i].index1, wide, true);
        put(b, at + 18 + 2 * wide, tracks[i].end, wide, true);
    }
    return b;
}

bytes joined(const std::vector<bytes>& parts) {
    bytes all;
    for (const bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

TEST(ImageFormats, NeroChunksNameTheirFirstDataTrack) {
    const bytes end = chunk("END!", {});
    nero_data_track track;
    // Audio first, then raw mode 2, after a chunk of no length and one this reader passes by.
    const bytes two =
        joined({chunk("CUEX", bytes(16, 0)), chunk("ZERO", {}),
                chunk("DAOX", dao({{0x07, 2352, 0, 3000}, {0x06, 2352, 3000, 9000}}, 8)), end});
    EXPECT_EQ(read_nero_chunks(two, 9000, track), nero_reading::data_track);
    EXPECT_EQ(track.frames.data_at, raw_mode2.data_at);
    EXPECT_EQ(track.start, 3000u);
    EXPECT_EQ(read_nero_chunks(joined({chunk("DAOI", dao({{0x0F, 2448, 0, 4896}}, 4)), end}), 4896,
                               track),
              nero_reading::data_track);
    EXPECT_EQ(track.frames.frame_size, 2448u);
    // Track at once: offset, size, mode per track.
    bytes tao(56, 0);
    put(tao, 8, 2352, 8, true);
    put(tao, 16, 0x07, 4, true);
    put(tao, 28, 2352, 8, true);
    put(tao, 36, 4096, 8, true);
    EXPECT_EQ(read_nero_chunks(joined({chunk("ETN2", tao), end}), 8192, track),
              nero_reading::data_track);
    EXPECT_EQ(track.frames.frame_size, 2048u);
    EXPECT_EQ(track.start, 2352u);
    EXPECT_EQ(read_nero_chunks(joined({chunk("ETN2", tao), end}), 4000, track),
              nero_reading::damaged);
    EXPECT_EQ(read_nero_chunks(joined({chunk("DAOX", dao({{0x07, 2352, 0, 3000}}, 8)), end}), 9000,
                               track),
              nero_reading::no_data_track);
    // Damaged: a size past the list's end, a list without its end, a track past the tracks'
    // end or of a size its mode does not have, more tracks than the chunk holds.
    bytes long_chunk = two;
    put(long_chunk, 4, 0xFFFFFFFF, 4, true);
    EXPECT_EQ(read_nero_chunks(long_chunk, 9000, track), nero_reading::damaged);
    EXPECT_EQ(read_nero_chunks(std::span(two).first(two.size() - 8), 9000, track),
              nero_reading::damaged);
    EXPECT_EQ(read_nero_chunks(two, 8999, track), nero_reading::damaged);
    EXPECT_EQ(read_nero_chunks(joined({chunk("DAOX", dao({{0x06, 2048, 0, 9000}}, 8)), end}), 9000,
                               track),
              nero_reading::damaged);
    bytes counted = dao({{0x06, 2352, 0, 9000}}, 8);
    put(counted, 21, 2, 1, true);
    EXPECT_EQ(read_nero_chunks(joined({chunk("DAOX", counted), end}), 9000, track),
              nero_reading::damaged);

    // The first version's footer, whole: 20 sectors of pregap, then the volume, cooked.
    bytes image(20 * 2048, 0);
    const bytes v = volume(2048, 0);
    image.insert(image.end(), v.begin(), v.end());
    const std::size_t list = image.size();
    const bytes chunks = joined({chunk("DAOI", dao({{0x00, 2048, 20 * 2048, list}}, 4)), end});
    image.insert(image.end(), chunks.begin(), chunks.end());
    put_text(image, image.size(), "NERO");
    put(image, image.size(), list, 4, true);
    EXPECT_EQ(format_of(image, "game.iso"), "Nero");
    const result<std::unique_ptr<disc>> d =
        image_disc_of("q:\\", "game.nrg", std::make_unique<memory_image>(image));
    ASSERT_TRUE(d.ok()) << name_of(d.failure().kind);
    EXPECT_EQ((*d)->search("*"), std::vector<std::string>{"A.BIN"});
    // A footer that points at itself: a list of no chunks.
    put(image, image.size() - 4, image.size() - 8, 4, true);
    const result<std::unique_ptr<disc>> looped =
        image_disc_of("q:\\", "game.nrg", std::make_unique<memory_image>(image));
    ASSERT_FALSE(looped.ok());
    EXPECT_EQ(looped.failure().kind, error_kind::damaged_image);
}

TEST(ImageFormats, WhatListsTheFormatsKeepsToTheTable) {
    // -V where drives' devices are not read as images (Windows); the others' is run_test's.
    // A format this build leaves out is not listed.
    EXPECT_EQ(image_format_support(false),
              std::string("ISO 9660 (.iso), raw 2352-byte (.bin), CUE sheets, CloneCD (.ccd), "
                          "Alcohol 120% (.mds, .mdf)") +
                  (chd_images_built ? ", Nero (.nrg) and CHD (.chd)" : " and Nero (.nrg)"));
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
