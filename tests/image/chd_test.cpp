// CHD images built here byte by byte: a header, a track's metadata, hunks stored or
// compressed, and a map, stored or coded; the sectors they give and the faults they refuse.
#include "app/describe.hpp"
#include "image/chd/chd.hpp"
#include "image/chd/header.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <string>

namespace {

constexpr std::uint32_t frames_per_hunk = 2;
constexpr std::uint32_t hunk_bytes = frames_per_hunk * 2448;

// A header of hunks of two frames, the track's metadata right after it.
bytes header(const std::uint32_t (&codecs)[4], std::uint32_t hunks, const std::string& track) {
    bytes b(124, 0);
    std::copy_n("MComprHD", 8, b.begin());
    put(b, 8, 124, 4, true);
    put(b, 12, 5, 4, true);
    for (int i = 0; i < 4; ++i) {
        put(b, 16 + 4 * static_cast<std::size_t>(i), codecs[i], 4, true);
    }
    put(b, 32, std::uint64_t{hunks} * hunk_bytes, 8, true);
    put(b, 48, 124, 8, true);
    put(b, 56, hunk_bytes, 4, true);
    put(b, 60, 2448, 4, true);
    bytes entry(16, 0);
    std::copy_n("CHT2", 4, entry.begin());
    put(entry, 4, track.size() + 1, 4, true);
    b.insert(b.end(), entry.begin(), entry.end());
    b.insert(b.end(), track.begin(), track.end());
    b.push_back(0);
    return b;
}

void set_map_offset(bytes& chd) {
    put(chd, 40, chd.size(), 8, true);
}

// A frame whose data (at data_at) is fill throughout.
bytes frame(std::uint8_t fill, std::size_t data_at, std::size_t size) {
    bytes f(size, 0);
    std::fill_n(f.begin() + static_cast<std::ptrdiff_t>(data_at), 2048, fill);
    return f;
}

std::unique_ptr<sector_source> open(bytes chd, error_kind* failed = nullptr, error* why = nullptr) {
    result<opened_image> got =
        open_chd(std::make_unique<memory_image>(std::move(chd)), "g.chd", nullptr);
    if (!got) {
        if (failed != nullptr) {
            *failed = got.failure().kind;
        }
        if (why != nullptr) {
            *why = got.failure();
        }
        return nullptr;
    }
    return std::move(got.value().sectors);
}

// The sector's bytes are all fill.
bool sector_is(const sector_source& s, std::uint64_t sector, std::uint8_t fill) {
    bytes out(2048, 0xEE);
    std::size_t delivered = 0;
    return s.read(sector, 1, out.data(), delivered) && delivered == 2048 &&
           std::all_of(out.begin(), out.end(), [&](std::uint8_t b) { return b == fill; });
}

TEST(ChdImage, StoredHunksGiveTheFirstDataTrackAfterItsPregap) {
    // Audio of 3 frames (padded to 4), then mode 2 whose 1-frame pregap is in the image:
    // its sector 0 is frame 5. Hunk 1 (frames 2, 3) was never written.
    bytes chd = header({}, 4,
                       "TRACK:1 TYPE:AUDIO SUBTYPE:NONE FRAMES:3 PREGAP:0 PGTYPE:MODE1 PGSUB:RW "
                       "POSTGAP:0");
    bytes second = header({}, 4,
                          "TRACK:2 TYPE:MODE2_RAW SUBTYPE:NONE FRAMES:4 PREGAP:1 "
                          "PGTYPE:VMODE2_RAW PGSUB:RW POSTGAP:0");
    // The second track's entry follows the first's.
    put(chd, 124 + 8, chd.size(), 8, true);
    chd.insert(chd.end(), second.begin() + 124, second.end());
    std::uint32_t at[4] = {};
    for (const std::uint32_t hunk : {0u, 2u, 3u}) {
        chd.resize((chd.size() + hunk_bytes - 1) / hunk_bytes * hunk_bytes, 0);
        at[hunk] = static_cast<std::uint32_t>(chd.size() / hunk_bytes);
        for (std::uint32_t f = 0; f < frames_per_hunk; ++f) {
            const bytes data = frame(static_cast<std::uint8_t>(hunk * 2 + f), 24, 2448);
            chd.insert(chd.end(), data.begin(), data.end());
        }
    }
    set_map_offset(chd);
    for (const std::uint32_t a : at) {
        chd.resize(chd.size() + 4);
        put(chd, chd.size() - 4, a, 4, true);
    }
    const std::unique_ptr<sector_source> track = open(chd);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->sectors(), 3u);
    EXPECT_TRUE(sector_is(*track, 0, 5));
    EXPECT_TRUE(sector_is(*track, 2, 7));
    // A read that runs past the track gives what there is; one that starts past it, nothing.
    bytes out(5 * 2048, 0);
    std::size_t delivered = 0;
    EXPECT_TRUE(track->read(1, 5, out.data(), delivered));
    EXPECT_EQ(delivered, 2u * 2048);
    EXPECT_FALSE(track->read(3, 1, out.data(), delivered));
}

// Bits, most significant first.
struct bit_writer {
    bytes out;
    std::size_t bits = 0;
    void put(std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0; ++bits) {
            if (bits % 8 == 0) {
                out.push_back(0);
            }
            out.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - bits % 8));
        }
    }
};

std::uint16_t crc16(const bytes& data) {
    std::uint32_t crc = 0xFFFF;
    for (const std::uint8_t b : data) {
        crc ^= std::uint32_t{b} << 8;
        for (int i = 0; i < 8; ++i) {
            crc = (crc & 0x8000) != 0 ? (crc << 1 ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

// A CD hunk's header and its frames' bytes, compressed; the subcode left out, as it is
// never read.
bytes cd_hunk(const bytes& compressed) {
    bytes h = {0, static_cast<std::uint8_t>(compressed.size() >> 8),
               static_cast<std::uint8_t>(compressed.size())};
    h.insert(h.end(), compressed.begin(), compressed.end());
    return h;
}

bytes deflated(const bytes& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    bytes out(deflateBound(&z, data.size()), 0);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bytes zstd_packed(const bytes& data) {
    bytes out(ZSTD_compressBound(data.size()), 0);
    out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 3));
    return out;
}

// The frames' bytes of a hunk whose frames' data are fill, fill + 1.
bytes hunk_frames(std::uint8_t fill) {
    bytes b = frame(fill, 16, 2352);
    const bytes next = frame(static_cast<std::uint8_t>(fill + 1), 16, 2352);
    b.insert(b.end(), next.begin(), next.end());
    return b;
}

// Eight hunks, a coded map: 0 deflate, 1 to 5 stored (a type, then a repeat of it 4 times
// more), 6 zstd, 7 a copy of hunk copy_of; the data of hunk h's frames 0x10 * (h + 1) and
// one more.
struct coded_image {
    bytes chd;
    std::size_t map_at = 0;
};

coded_image coded(std::uint32_t copy_of = 0) {
    coded_image c;
    c.chd = header({codec_cd_zlib, codec_cd_zstd, 0, 0}, 8,
                   "TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:16 PREGAP:0 PGTYPE:MODE1 "
                   "PGSUB:RW POSTGAP:0");
    const std::uint64_t first = c.chd.size();
    const bytes h0 = cd_hunk(deflated(hunk_frames(0x10)));
    c.chd.insert(c.chd.end(), h0.begin(), h0.end());
    for (std::uint8_t h = 1; h < 6; ++h) {
        for (std::uint8_t f = 0; f < 2; ++f) {
            const bytes data = frame(static_cast<std::uint8_t>(0x10 * (h + 1) + f), 16, 2448);
            c.chd.insert(c.chd.end(), data.begin(), data.end());
        }
    }
    const bytes h6 = cd_hunk(zstd_packed(hunk_frames(0x70)));
    c.chd.insert(c.chd.end(), h6.begin(), h6.end());
    // The decoded map, its CRC taken; then its coding.
    bytes decoded(8 * 12, 0);
    const auto entry = [&](std::size_t h, std::uint8_t type, std::uint32_t length,
                           std::uint64_t offset) {
        decoded[h * 12] = type;
        put(decoded, h * 12 + 1, length, 3, true);
        put(decoded, h * 12 + 4, offset, 6, true);
    };
    entry(0, 0, static_cast<std::uint32_t>(h0.size()), first);
    for (std::size_t h = 1; h < 6; ++h) {
        entry(h, 4, hunk_bytes, first + h0.size() + (h - 1) * hunk_bytes);
    }
    entry(6, 1, static_cast<std::uint32_t>(h6.size()), first + h0.size() + 5 * hunk_bytes);
    entry(7, 5, 0, copy_of);
    bit_writer bits;
    // Every symbol 4 bits long: escape, length 4, repeated 3 + 13 times.
    bits.put(1, 4);
    bits.put(4, 4);
    bits.put(13, 4);
    for (const std::uint32_t symbol : {0u, 4u, 7u, 1u, 1u, 5u}) {
        bits.put(symbol, 4);
    }
    const unsigned length_bits = 16;
    bits.put(static_cast<std::uint32_t>(h0.size()), length_bits);
    bits.put(0, 16);
    for (int h = 1; h < 6; ++h) {
        bits.put(0, 16);
    }
    bits.put(static_cast<std::uint32_t>(h6.size()), length_bits);
    bits.put(0, 16);
    bits.put(copy_of, 8);
    set_map_offset(c.chd);
    c.map_at = c.chd.size();
    bytes map_header(16, 0);
    put(map_header, 0, bits.out.size(), 4, true);
    put(map_header, 4, first, 6, true);
    put(map_header, 10, crc16(decoded), 2, true);
    map_header[12] = length_bits;
    map_header[13] = 8; // a copy's hunk
    c.chd.insert(c.chd.end(), map_header.begin(), map_header.end());
    c.chd.insert(c.chd.end(), bits.out.begin(), bits.out.end());
    return c;
}

TEST(ChdImage, CodedMapsHunksAndCopies) {
    const std::unique_ptr<sector_source> track = open(coded().chd);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->sectors(), 16u);
    EXPECT_TRUE(sector_is(*track, 0, 0x10));  // deflate
    EXPECT_TRUE(sector_is(*track, 2, 0x20));  // stored
    EXPECT_TRUE(sector_is(*track, 11, 0x61)); // stored, the last of the repeat
    EXPECT_TRUE(sector_is(*track, 13, 0x71)); // zstd
    EXPECT_TRUE(sector_is(*track, 14, 0x10)); // hunk 7, a copy of hunk 0
    // Read in one go, through hunks kept and hunks not.
    bytes all(16 * 2048, 0);
    std::size_t delivered = 0;
    EXPECT_TRUE(track->read(0, 16, all.data(), delivered));
    EXPECT_EQ(delivered, all.size());
    EXPECT_EQ(all[15 * 2048], 0x11);
    // A copy of itself is read as no sector, and never followed round.
    const std::unique_ptr<sector_source> loop = open(coded(7).chd);
    ASSERT_NE(loop, nullptr);
    EXPECT_FALSE(loop->read(14, 1, all.data(), delivered));
    EXPECT_TRUE(sector_is(*loop, 0, 0x10));
}

TEST(ChdImage, FaultsAreOneErrorNamingTheImage) {
    const coded_image good = coded();
    error_kind kind = error_kind::other;
    error why;
    // A map byte changed: the CRC of the decoded map tells.
    bytes flipped = good.chd;
    flipped[good.map_at + 16 + 3] ^= 0x04;
    EXPECT_EQ(open(flipped, &kind), nullptr);
    EXPECT_EQ(kind, error_kind::damaged_image);
    // Cut inside the map: where it ends, where the file does.
    bytes cut(good.chd.begin(), good.chd.end() - 2);
    EXPECT_EQ(open(cut, &kind, &why), nullptr);
    EXPECT_EQ(why.kind, error_kind::damaged_image);
    EXPECT_EQ(why.detail, error_detail::cut_short);
    EXPECT_EQ(why.figures[0], good.chd.size());
    EXPECT_EQ(why.figures[1], cut.size());
    EXPECT_EQ(why.path, "g.chd");
    EXPECT_EQ(why.subject, "CHD");
    // A parent's SHA-1: the image holds only what differs from one.
    bytes child = good.chd;
    child[104 + 19] = 1;
    EXPECT_EQ(open(child, &kind, &why), nullptr);
    EXPECT_EQ(describe_source_error(why), "g.chd is a CHD image that holds only what differs "
                                          "from its parent image, which this program does not "
                                          "read");
    // Version 4, a hard disk's units, a codec of no CD.
    for (const auto& [at, value] : {std::pair{12u, 4u}, {60u, 512u}, {16u, fourcc("zlib")}}) {
        bytes other = good.chd;
        put(other, at, value, 4, true);
        EXPECT_EQ(open(other, &kind, &why), nullptr) << at;
        EXPECT_EQ(describe_source_error(why),
                  "g.chd is a CHD image of a kind this program does not read")
            << at;
    }
    // Metadata of audio alone.
    bytes music = good.chd;
    const std::string audio = "TRACK:1 TYPE:AUDIO  ";
    std::copy(audio.begin(), audio.end(), music.begin() + 124 + 16);
    EXPECT_EQ(open(music, &kind), nullptr);
    EXPECT_EQ(kind, error_kind::no_data_track);
    // A metadata chain that leads round to itself ends.
    bytes round = good.chd;
    put(round, 124 + 8, 124, 8, true);
    EXPECT_EQ(open(round, &kind), nullptr);
    EXPECT_EQ(kind, error_kind::damaged_image);
}

} // namespace
