#include "platform/disc_access.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> search_all(const char* pattern) {
    std::vector<std::string> names;
    find_record record = {};
    disc_search* search = find_first(pattern, &record);
    if (search == nullptr) {
        return names;
    }
    do {
        names.emplace_back(record.name);
    } while (find_next(search, &record));
    find_close(search);
    return names;
}

std::string contents_of(const char* path) {
    std::FILE* f = open_disc_file(path);
    if (f == nullptr) {
        return "<none>";
    }
    char text[64] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    return std::string(text, n);
}

TEST(DiscAccess, DriveLetterOfEitherCaseNamesTheDriveFolder) {
    scratch_dir dir;
    dir.put_disc_file("TITLE.SEQ", {'t'});
    EXPECT_EQ(contents_of("q:\\TITLE.SEQ"), "t");
    EXPECT_EQ(contents_of("Q:\\TITLE.SEQ"), "t");
    EXPECT_EQ(contents_of("r:\\TITLE.SEQ"), "<none>");
}

TEST(DiscAccess, NamesMatchExactlyFirstThenWithoutCase) {
    scratch_dir dir;
    dir.put_disc_file("title.seq", {'l'});
    EXPECT_EQ(contents_of("q:\\TITLE.SEQ"), "l");
    dir.put_disc_file("TITLE.SEQ", {'U'});
    EXPECT_EQ(contents_of("q:\\TITLE.SEQ"), "U");
    EXPECT_EQ(contents_of("q:\\title.seq"), "l");
    EXPECT_EQ(contents_of("q:\\Title.Seq"), "U"); // byte order: "TITLE.SEQ" < "title.seq"
    EXPECT_EQ(contents_of("q:\\TITLE.SE"), "<none>");
    EXPECT_EQ(contents_of("q:\\"), "<none>");
}

TEST(DiscAccess, SearchMatchesWithoutCaseInByteOrderAndSkipsFolders) {
    scratch_dir dir;
    for (const char* name : {"F010.SPR", "f005.spr", "F001.SPR", "F2.SPRX", "G001.SPR", "F.SPR",
                             "XF001.SPR", "F003.spr"}) {
        dir.put_disc_file(name, {0});
    }
    std::filesystem::create_directory(dir.path() / "q:" / "F009.SPR");
    EXPECT_EQ(search_all("q:\\F*.SPR"),
              (std::vector<std::string>{"F.SPR", "F001.SPR", "F003.spr", "F010.SPR", "f005.spr"}));
    EXPECT_EQ(search_all("q:\\F??1.SPR"), (std::vector<std::string>{"F001.SPR"}));
    EXPECT_EQ(search_all("q:\\*.MAP"), std::vector<std::string>{});
    EXPECT_EQ(search_all("r:\\F*.SPR"), std::vector<std::string>{});
}

TEST(DiscAccess, FoundNamesAreZeroFilledAndCutToTheRecord) {
    find_record record;
    std::memset(record.name, 'x', sizeof record.name);
    set_found_name(&record, "F001.SPR");
    EXPECT_STREQ(record.name, "F001.SPR");
    EXPECT_EQ(record.name[sizeof record.name - 1], '\0');
    EXPECT_EQ(record.name[20], '\0');
    const std::string longest(400, 'F');
    set_found_name(&record, longest.c_str());
    EXPECT_EQ(std::string(record.name), longest.substr(0, find_name_size - 1));
}

} // namespace
