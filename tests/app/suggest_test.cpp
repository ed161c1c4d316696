#include "app/suggest.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

TEST(ClosestWord, OnlyAWordCloseEnoughIsOffered) {
    constexpr std::array<std::string_view, 6> words = {"faces",  "events",  "endings",
                                                       "titles", "sprites", "title"};
    const std::pair<std::string, std::string> cases[] = {
        {"evnets", "events"},   // two letters swapped
        {"sprits", "sprites"},  // one missing
        {"facess", "faces"},    // one added
        {"ENDINGS", "endings"}, // case does not count
        {"titlex", "titles"},   // of two as close, the first
        {"fcaes", "faces"},     // one edit in five letters
        {"fxcxs", ""},          // two in five: too many
        {"x", ""},              // nothing near a word so short
        {std::string(100000, 'e'), ""},
    };
    for (const auto& [typed, meant] : cases) {
        EXPECT_EQ(closest_word(typed, words), meant) << typed.substr(0, 20);
    }
}

} // namespace
