// The catalogs built into the Windows program: a .mo file's lookup, and the language chosen
// as gettext chooses it.
#include "app/catalog.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using entries = std::vector<std::pair<std::string, std::string>>;

// A .mo file as msgfmt writes it: the header, the texts' table, the translations' table,
// then the strings, each ended by a NUL; the words in the byte order asked for.
std::vector<unsigned char> mo_of(const entries& sorted, bool big_endian = false) {
    std::vector<unsigned char> mo;
    const auto word = [&](std::uint32_t w) {
        for (int i = 0; i < 4; ++i) {
            const int shift = big_endian ? 24 - 8 * i : 8 * i;
            mo.push_back(static_cast<unsigned char>(w >> shift));
        }
    };
    const auto count = static_cast<std::uint32_t>(sorted.size());
    const std::uint32_t texts = 28;
    const std::uint32_t translations = texts + 8 * count;
    word(0x950412de);
    word(0);
    word(count);
    word(texts);
    word(translations);
    word(0); // no hash table
    word(translations + 8 * count);
    std::string strings;
    std::vector<std::uint32_t> pairs;
    const std::uint32_t start = translations + 8 * count;
    for (const bool translation : {false, true}) {
        for (const auto& [text, translated] : sorted) {
            const std::string& s = translation ? translated : text;
            pairs.push_back(static_cast<std::uint32_t>(s.size()));
            pairs.push_back(start + static_cast<std::uint32_t>(strings.size()));
            strings += s + '\0';
        }
    }
    for (const std::uint32_t w : pairs) {
        word(w);
    }
    mo.insert(mo.end(), strings.begin(), strings.end());
    return mo;
}

const entries english = {
    {"", "Content-Type: text/plain; charset=UTF-8\n"},
    {"Error!  ", ""},
    {"\xe3\x83\x89\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x96", "the drive"}}; // ドライブ

TEST(Catalog, LooksUpATextsTranslation) {
    const char* drive = "\xe3\x83\x89\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x96";
    for (const bool big_endian : {false, true}) {
        const std::vector<unsigned char> mo = mo_of(english, big_endian);
        EXPECT_STREQ(look_up(mo, drive), "the drive");
        // An empty translation is none, and a text the catalog lacks has none.
        EXPECT_EQ(look_up(mo, "Error!  "), nullptr);
        EXPECT_EQ(look_up(mo, "drive letter >"), nullptr);
    }
    // A file cut anywhere, or whose tables point past its end, translates nothing.
    const std::vector<unsigned char> whole = mo_of(english);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + size);
        EXPECT_EQ(look_up(cut, drive), nullptr) << size;
    }
    std::vector<unsigned char> too_many = whole;
    too_many[8] = 0xff;
    too_many[11] = 0x3f;
    EXPECT_EQ(look_up(too_many, drive), nullptr);
    std::vector<unsigned char> not_mo = whole;
    not_mo[0] = 0;
    EXPECT_EQ(look_up(not_mo, drive), nullptr);
}

TEST(Catalog, LanguageChosenAsGettextChoosesIt) {
    using list = std::vector<std::string>;
    // The system's language where no variable names a locale; the first variable set wins.
    EXPECT_EQ(message_languages({}, "ja_JP"), (list{"ja_JP", "ja"}));
    EXPECT_EQ(message_languages({nullptr, nullptr, nullptr, "en_US.UTF-8"}, "ja_JP"),
              (list{"en_US", "en"}));
    EXPECT_EQ(message_languages({nullptr, "de_DE@euro", "fr_FR", "en_US"}, ""),
              (list{"de_DE", "de"}));
    EXPECT_EQ(message_languages({nullptr, "", "fr_FR", "en_US"}, ""), (list{"fr_FR", "fr"}));
    // LANGUAGE's list comes first, but not in the C locale, whose messages are the program's.
    EXPECT_EQ(message_languages({"pt_BR:en", nullptr, nullptr, "ja_JP.UTF-8"}, ""),
              (list{"pt_BR", "pt", "en", "ja_JP", "ja"}));
    EXPECT_EQ(message_languages({"en", "C", nullptr, "en_US"}, "en_US"), list{});
    EXPECT_EQ(message_languages({"en", nullptr, nullptr, "POSIX"}, ""), list{});
    EXPECT_EQ(message_languages({"en", nullptr, nullptr, nullptr}, ""), list{});

    const std::vector<unsigned char> mo = mo_of(english);
    const embedded_catalog catalogs[] = {{"en", mo}, {"pt_BR", mo}};
    EXPECT_EQ(catalog_for({"fr_FR", "fr", "en"}, catalogs), &catalogs[0]);
    EXPECT_EQ(catalog_for({"pt_BR", "pt"}, catalogs), &catalogs[1]);
    // Japanese, the program's own language, ends the search where it comes first.
    EXPECT_EQ(catalog_for({"ja_JP", "ja", "en"}, catalogs), nullptr);
    EXPECT_EQ(catalog_for({"fr", "en", "ja"}, catalogs), &catalogs[0]);
    // C.UTF-8 names no language; nor does a Japanese locale have a catalog: the program's own.
    EXPECT_EQ(catalog_for(message_languages({}, "C.UTF-8"), catalogs), nullptr);
    EXPECT_EQ(catalog_for(message_languages({}, "ja_JP"), catalogs), nullptr);
}

} // namespace
