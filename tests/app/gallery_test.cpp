// The page of a run's pictures, as its text says it.
#include "app/describe.hpp"
#include "app/gallery.hpp"
#include "app/version.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

picture_record record(const char* name, const char* file, const char* group) {
    picture_record r;
    r.name = name;
    r.file = file;
    r.group = group;
    r.width = 352;
    r.height = 240;
    r.bits = 8;
    return r;
}

std::size_t at(const std::string& page, const std::string& text) {
    const std::size_t found = page.find(text);
    EXPECT_NE(found, std::string::npos) << text;
    return found;
}

TEST(Gallery, PageShowsGroupsInOrderWithEachFailureInItsPlace) {
    gallery_listener heard;
    run_counts counts;
    const auto picture = [&](const picture_record& r, picture_fate fate) {
        heard.picture(r, fate);
        counts.picture(r, fate);
    };
    picture(record("TITLELOG", "TITLELOG.PNG", "title"), picture_fate::written);
    picture(record("EV_01", "EV_01.PNG", "events"), picture_fate::written);
    const failure_record lost = {
        error{error_kind::file_not_found, nullptr, "disc/EV_02.CEL"}, "events", {"EV_02"}};
    heard.failure(lost);
    counts.failure(lost);
    picture(record("EV_03", "EV_03.PNG", "events"), picture_fate::kept);
    picture(record("<&\">", "<&\">.PNG", "endings"), picture_fate::written);
    counts.group_failed("title", {"TITLE_B", "DM_SHEE1_0"});

    const std::string page = gallery_page({"disc", "/home/me/disc", "PNG", "2026-12-09T19:05:03Z"},
                                          heard.events(), counts);
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_TRUE(is_gallery_text(page));
    // The head: the source as given and its path, the date, the program, the counts.
    at(page, "<dd>disc (/home/me/disc)</dd>");
    at(page, "<time datetime=\"2026-12-09T19:05:03Z\">");
    at(page, std::string(program_name) + " " + program_version);
    at(page, "3 written, 1 skipped, 1 failed");
    // The groups in the run's order, whatever order their pictures came in.
    std::size_t last = 0;
    for (const char* group : {"faces", "events", "endings", "title", "sprites", "cellmaps"}) {
        const std::size_t section = at(page, std::string("<h2>") + group + "</h2>");
        EXPECT_LT(last, section) << group;
        last = section;
    }
    // The failure between the pictures it came between, in describe's words.
    const std::size_t ev_01 = at(page, "alt=\"EV_01\"");
    const std::size_t failure = at(page, describe(lost));
    const std::size_t ev_03 = at(page, "alt=\"EV_03\"");
    EXPECT_LT(ev_01, failure);
    EXPECT_LT(failure, ev_03);
    at(page, "not made: EV_02");
    // A kept picture shows too; each at its size and at twice it.
    at(page, "width=\"352\" height=\"240\" alt=\"EV_03\"");
    at(page, "width=\"704\" height=\"480\" alt=\"EV_03 at 2x\"");
    at(page, "352 x 240, 8 bits, kept from before");
    // A crafted name is text in the page and a link to its own file.
    at(page, "<a href=\"%3C%26%22%3E.PNG\">&lt;&amp;&quot;&gt;.PNG</a>");
    EXPECT_EQ(page.find("<&"), std::string::npos);
    // The title group failed as a whole, in its section, with the pictures it did not make.
    const std::size_t title_failed =
        at(page, "the title group failed as a whole: 2 pictures not made (TITLE_B, DM_SHEE1_0)");
    EXPECT_LT(at(page, "<h2>title</h2>"), title_failed);
    EXPECT_LT(title_failed, at(page, "<h2>sprites</h2>"));
    EXPECT_EQ(page.find("<script"), std::string::npos);
}

TEST(Gallery, NameIsAPlainFileThatNoPictureTakesAndTheDateIsUtc) {
    EXPECT_EQ(gallery_name_refused("index.html"), "");
    EXPECT_NE(gallery_name_refused("pages/index.html"), "");
    EXPECT_NE(gallery_name_refused("pages\\index.html"), "");
    EXPECT_NE(gallery_name_refused(".."), "");
    EXPECT_NE(gallery_name_refused("F001.bmp"), "");
    EXPECT_NE(gallery_name_refused("F001.Png"), "");
    // The refusal is one line, whatever the name holds.
    EXPECT_EQ(gallery_name_refused("a\nb/c"),
              "the gallery 'a\\nb/c' is no plain file name: it goes into the output folder");
    using namespace std::chrono;
    EXPECT_EQ(iso8601_utc(sys_days{2026y / 12 / 9} + 19h + 5min + 3s), "2026-12-09T19:05:03Z");
    EXPECT_EQ(iso8601_utc(sys_days{1999y / 1 / 31}), "1999-01-31T00:00:00Z");
}

} // namespace
