#include "app/shown.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Escaped, ControlsBecomeEscapesAndTextStays) {
    const std::pair<std::string, std::string> cases[] = {
        // C0 codes and DEL.
        {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {std::string("\x1b[31m\0\x7f", 7), "\\x1b[31m\\x00\\x7f"},
        // An 8-bit CSI alone, and every byte of 0x80 to 0x9F outside a character.
        {"\x9b"
         "31m",
         "\\x9b31m"},
        {"\x80\x9f", "\\x80\\x9f"},
        // C1 codes in UTF-8, and the controls that turn text around.
        {"\xc2\x85\xc2\x9b", "\\xc2\\x85\\xc2\\x9b"},
        {"\xe2\x80\xaegnp.exe", "\\xe2\\x80\\xaegnp.exe"},
        {"\xe2\x80\xaa\xe2\x81\xa6\xe2\x81\xa9", "\\xe2\\x80\\xaa\\xe2\\x81\\xa6\\xe2\\x81\\xa9"},
        // Valid UTF-8 stays, its continuation bytes in 0x80 to 0x9F too: é, ゲーム, 😀, and
        // the neighbours of the bidi controls (U+2029, U+202F, U+2065, U+206A).
        {"caf\xc3\xa9 \xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0 \xf0\x9f\x98\x80",
         "caf\xc3\xa9 \xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0 \xf0\x9f\x98\x80"},
        {"\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa",
         "\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa"},
        // Bytes of no character: a lead cut short or overlong, a surrogate; those above 0x9F
        // stay as another encoding's text (Latin-1 é), those in 0x80 to 0x9F do not.
        {"\xe3\x82", "\xe3\\x82"},
        {"\xc0\x80\xe0\x80\xae", "\xc0\\x80\xe0\\x80\xae"},
        {"\xed\xa0\x80", "\xed\xa0\\x80"},
        {"caf\xe9", "caf\xe9"},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(escaped(text), shown) << text;
    }
}

} // namespace
