#include "disc/load_disc_file.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

bytes counting(std::size_t n, std::uint8_t start = 0) {
    bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(start + i);
    }
    return b;
}

// The byte count, or the console code of the failure and where it was met.
struct loaded {
    status result;
    bytes buffer;
    error failure;
};

loaded take(result<std::uint32_t> got, bytes buffer) {
    if (!got) {
        return {code_of(got.failure().kind), std::move(buffer), got.failure()};
    }
    return {static_cast<status>(*got), std::move(buffer), {}};
}

loaded load(const char* name, std::uint32_t capacity, std::size_t room = 0) {
    bytes buffer(room != 0 ? room : capacity, 0xEE);
    result<std::uint32_t> got = load_disc_file(*drive_q(), name, buffer.data(), capacity);
    return take(std::move(got), std::move(buffer));
}

// The code and where the failure was met: the routine, or the file.
std::string told(const loaded& l) {
    return std::to_string(l.result) + " " +
           (l.failure.routine != nullptr ? l.failure.routine : l.failure.path);
}

TEST(LoadDiscFile, RawFileArrivesWholeAndLeavesTheRestAlone) {
    scratch_dir dir;
    dir.put_disc_file("DATA.BIN", counting(100, 7));
    const loaded l = load("DATA.BIN", 8192);
    EXPECT_EQ(l.result, 100);
    EXPECT_EQ(bytes(l.buffer.begin(), l.buffer.begin() + 100), counting(100, 7));
    EXPECT_EQ(bytes(l.buffer.begin() + 100, l.buffer.end()), bytes(8092, 0xEE));
}

TEST(LoadDiscFile, LongerFileIsCutAtTheCapacitySilently) {
    scratch_dir dir;
    dir.put_disc_file("DATA.BIN", counting(300));
    const loaded l = load("DATA.BIN", 256);
    EXPECT_EQ(l.result, 256);
    EXPECT_EQ(l.buffer, counting(256));
}

TEST(LoadDiscFile, CapacityLimitIsInclusive) {
    scratch_dir dir;
    dir.put_disc_file("DATA.BIN", counting(10));
    // Only the file's ten bytes are ever written, whatever the capacity says.
    EXPECT_EQ(load("DATA.BIN", 0x40000000, 16).result, 10);
    EXPECT_EQ(load("DATA.BIN", 0x40000001, 16).result, -501);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(load_disc_file(*drive_q(), nullptr, buffer, 4).failure().kind,
              error_kind::bad_argument);
    EXPECT_EQ(load_disc_file(*drive_q(), "DATA.BIN", nullptr, 4).failure().kind,
              error_kind::bad_argument);
}

TEST(LoadDiscFile, MissingFileIsReportedWithItsPath) {
    scratch_dir dir;
    EXPECT_EQ(told(load("TITLE.SEQ", 64)), "-201 q:\\TITLE.SEQ");
}

// A disc whose every file breaks off after ten bytes, as a damaged one does.
class damaged_disc final : public disc {
  public:
    damaged_disc() : disc("q:\\") {}
    disc_read read(const char*, std::uint8_t* buffer, std::uint32_t) const override {
        std::fill(buffer, buffer + 10, 0x55);
        return {true, true, 10};
    }
    std::vector<std::string> search(const char*) const override { return {}; }
};

TEST(LoadDiscFile, UnreadableFileIsAReadErrorNotAShortFile) {
    scratch_dir dir;
    bytes buffer(64, 0);
    const loaded l = take(load_disc_file(damaged_disc{}, "EVENT.MAP", buffer.data(), 64), buffer);
    EXPECT_EQ(told(l), "-601 q:\\EVENT.MAP");
    // A folder of the name is no file at all.
    std::filesystem::create_directory(dir.path() / "q:" / "EVENT.MAP");
    EXPECT_EQ(told(load("EVENT.MAP", 64)), "-201 q:\\EVENT.MAP");
}

TEST(LoadDiscFile, ContainerIsUnpackedInPlace) {
    scratch_dir dir;
    dir.put_disc_file("PACKED.BIN", cnx_file({0x09, 0x61, 0x00, 0x00, 0x00, 0x00, 0xAA}, 5));
    const loaded l = load("PACKED.BIN", 64);
    EXPECT_EQ(l.result, 5);
    EXPECT_EQ(bytes(l.buffer.begin(), l.buffer.begin() + 5), bytes(5, 0x61));
    // Past the unpacked bytes the file as read remains, then what was there before.
    EXPECT_EQ(l.buffer[22], 0xAA);
    EXPECT_EQ(l.buffer[23], 0xEE);
}

TEST(LoadDiscFile, RefusedContainersAreReportedAsTheContainers) {
    scratch_dir dir;
    // Magic alone, or a header with nothing after it: too short.
    dir.put_disc_file("SHORT.BIN", {'C', 'N', 'X'});
    EXPECT_EQ(told(load("SHORT.BIN", 64)), "-501 dec_cnxdat");
    dir.put_disc_file("HEADER.BIN", cnx_file({}, 0));
    EXPECT_EQ(told(load("HEADER.BIN", 64)), "-501 dec_cnxdat");

    // Announcing more than the room: refused before anything is written.
    const bytes big = cnx_file({0x09, 0x61, 0x00, 0x00, 0x00, 0x00}, 100);
    dir.put_disc_file("BIG.BIN", big);
    const loaded l = load("BIG.BIN", 64);
    EXPECT_EQ(told(l), "-505 dec_cnxdat");
    EXPECT_EQ(bytes(l.buffer.begin(), l.buffer.begin() + big.size()), big);
}

TEST(LoadDiscFile, ContainerCutByTheCapacityIsACorruptStream) {
    scratch_dir dir;
    // A 57-byte file that unpacks to 36 bytes: a capacity of 36 cuts its stream short.
    bytes stream = {0x0F, 18};
    stream.insert(stream.end(), 18, 0x11);
    stream.push_back(18);
    stream.insert(stream.end(), 18, 0x22);
    stream.insert(stream.end(), {0x00, 0x00});
    dir.put_disc_file("CUT.BIN", cnx_file(stream, 36));
    EXPECT_EQ(load("CUT.BIN", 80).result, 36);
    EXPECT_EQ(told(load("CUT.BIN", 36)), "-505 dec_cnxlz");
}

TEST(LoadDiscFile, RawDataThatBeginsWithTheMagicIsTakenForAContainer) {
    scratch_dir dir;
    bytes raw = {'C', 'N', 'X', '!'};
    raw.resize(40, 0xFF); // the "unpacked size" FFFFFFFF is over any room
    dir.put_disc_file("TEXT.BIN", raw);
    EXPECT_EQ(told(load("TEXT.BIN", 64)), "-505 dec_cnxdat");
    // Two bytes cannot be a container, whatever the buffer held before.
    dir.put_disc_file("TWO.BIN", {'C', 'N'});
    loaded two{0, {'C', 'N', 'X', 0}, {}};
    two = take(load_disc_file(*drive_q(), "TWO.BIN", two.buffer.data(), 4), two.buffer);
    EXPECT_EQ(two.result, 2);
}

} // namespace
