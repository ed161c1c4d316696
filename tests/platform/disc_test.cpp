// The disc the run reads, of each kind that lists its root: a folder on drive q, and a disc
// held in memory. Both take names by the same rule.
#include "memory_disc.hpp"
#include "platform/disc.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using names = std::vector<std::string>;

std::string contents_of(const disc& d, const char* name) {
    std::uint8_t text[64] = {};
    const disc_read got = d.read(name, text, sizeof text - 1);
    return got.found ? std::string(reinterpret_cast<const char*>(text), got.count) : "<none>";
}

TEST(Disc, DriveLetterOfEitherCaseNamesTheDriveFolder) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", {'t'});
    EXPECT_EQ(contents_of(*open_drive("q:\\").found, "TITLE.SEQ"), "t");
    EXPECT_EQ(contents_of(*open_drive("Q:\\").found, "TITLE.SEQ"), "t");
    EXPECT_EQ(open_drive("Q:\\").found->path_of("TITLE.SEQ"), "Q:\\TITLE.SEQ");
    EXPECT_EQ(contents_of(*open_drive("r:\\").found, "TITLE.SEQ"), "<none>");
}

TEST(Disc, NamesMatchExactlyFirstThenWithoutCase) {
    scratch_dir dir;
    dir.put_disc_file("title.seq", {'l'});
    EXPECT_EQ(contents_of(*drive_q(), "TITLE.SEQ"), "l");
    dir.put_disc_file("TITLE.SEQ", {'U'});
    const auto q = drive_q();
    EXPECT_EQ(contents_of(*q, "TITLE.SEQ"), "U");
    EXPECT_EQ(contents_of(*q, "title.seq"), "l");
    EXPECT_EQ(contents_of(*q, "Title.Seq"), "U"); // byte order: "TITLE.SEQ" < "title.seq"
    EXPECT_EQ(contents_of(*q, "TITLE.SE"), "<none>");
    EXPECT_EQ(contents_of(*q, ""), "<none>");
    // Names stand as they are: a version is part of a folder's name, never dropped.
    dir.put_disc_file("TITLE.SEQ;1", {'v'});
    dir.put_disc_file("EV_01.CEL;1", {'e'});
    const auto versions = drive_q();
    EXPECT_EQ(contents_of(*versions, "TITLE.SEQ"), "U");
    EXPECT_EQ(contents_of(*versions, "EV_01.CEL"), "<none>");
    // A disc in memory takes names by the same rule.
    const auto memory = open_memory_disc(
        "m:", {{"title.seq", {'l'}}, {"TITLE.SEQ;1", {'v'}}, {"TITLE.SEQ", {'U'}}});
    EXPECT_EQ(contents_of(*memory, "Title.Seq"), "U");
    EXPECT_EQ(contents_of(*memory, "title.seq"), "l");
    EXPECT_EQ(contents_of(*memory, "TITLE.SEQ;1"), "v");
}

TEST(Disc, SearchMatchesWithoutCaseInByteOrderAndSkipsFolders) {
    scratch_dir dir;
    for (const char* name : {"F010.SPR", "f005.spr", "F001.SPR", "F2.SPRX", "G001.SPR", "F.SPR",
                             "XF001.SPR", "F003.spr"}) {
        dir.put_disc_file(name, {0});
    }
    std::filesystem::create_directory(dir.path() / "q:" / "F009.SPR");
    const auto q = drive_q();
    EXPECT_EQ(q->search("F*.SPR"),
              (names{"F.SPR", "F001.SPR", "F003.spr", "F010.SPR", "f005.spr"}));
    EXPECT_EQ(q->search("F??1.SPR"), (names{"F001.SPR"}));
    EXPECT_EQ(q->search("*.MAP"), names{});
    EXPECT_EQ(open_drive("r:\\").found->search("F*.SPR"), names{});
}

TEST(Disc, NamesThatCouldLeaveTheFolderOrControlTheTerminalAreNeverTaken) {
    scratch_dir dir;
    for (const char* name : {"F\\..\\..\\X.SPR", "F\x1b[2J.SPR", "F\x7f.SPR",
                             "F\x9b"
                             "2J.SPR",
                             "F\xc2\x9b"
                             "2J.SPR",
                             "F\xe2\x80\xae"
                             "RPS.SPR",
                             "F001.SPR"}) {
        dir.put_disc_file(name, {'x'});
    }
    const auto q = drive_q();
    EXPECT_EQ(q->search("F*.SPR"), (names{"F001.SPR"}));
    EXPECT_EQ(contents_of(*q, "F\x1b[2J.SPR"), "<none>");
    const auto memory = open_memory_disc("m:", {{"F/../../.SPR", {'x'}},
                                                {"..", {'x'}},
                                                {".", {'x'}},
                                                {"F\n.SPR", {'x'}},
                                                {"F002.SPR", {'x'}}});
    EXPECT_EQ(memory->search("*"), (names{"F002.SPR"}));
    EXPECT_EQ(contents_of(*memory, "F/../../.SPR"), "<none>");
    EXPECT_EQ(contents_of(*memory, ".."), "<none>");
}

} // namespace
