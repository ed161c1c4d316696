#include "app/errormes.hpp"
#include "app/texts.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

constexpr char error_prefix[] = "Error!  ";

struct message_case {
    status code;
    const char* context;
    const char* printed; // everything after the prefix, Shift-JIS
};

// Each text as the user's console receives it.
constexpr message_case message_cases[] = {
    // ファイル名が長すぎます。
    {-102, nullptr,
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc\x82\xaa\x92\xb7\x82\xb7\x82\xac"
     "\x82\xdc\x82\xb7\x81\x42\n"},
    // ファイルが存在しません。
    {-104, nullptr,
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x91\xb6\x8d\xdd\x82\xb5\x82\xdc"
     "\x82\xb9\x82\xf1\x81\x42\n"},
    // ドライブが無効です。
    {-105, "ignored",
     "\x83\x68\x83\x89\x83\x43\x83\x75\x82\xaa\x96\xb3\x8c\xf8\x82\xc5\x82\xb7"
     "\x81\x42\n"},
    // ファイルが見つかりません。
    {-201, "q:\\TITLE.SEQ",
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x8c\xa9\x82\xc2\x82\xa9"
     "\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42> q:\\TITLE.SEQ\n"},
    // このファイルは非対応です。
    {-202, "X",
     "\x82\xb1\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd\x94\xf1\x91\xce\x89"
     "\x9e\x82\xc5\x82\xb7\x81\x42> X\n"},
    // 不正な引数が入力されました。
    {-501, "cutimage",
     "\x95\x73\x90\xb3\x82\xc8\x88\xf8\x90\x94\x82\xaa\x93\xfc\x97\xcd\x82\xb3"
     "\x82\xea\x82\xdc\x82\xb5\x82\xbd\x81\x42in cutimage\n"},
    // メモリが確保できません。
    {-503, "dec_ss_hc",
     "\x83\x81\x83\x82\x83\x8a\x82\xaa\x8a\x6d\x95\xdb\x82\xc5\x82\xab\x82\xdc"
     "\x82\xb9\x82\xf1\x81\x42in dec_ss_hc\n"},
    // 参照位置が正しくありません。
    {-504, "dec_cnxlz",
     "\x8e\x51\x8f\xc6\x88\xca\x92\x75\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0"
     "\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42in dec_cnxlz\n"},
    // データ領域を超えました。
    {-505, "dec_cnxlz",
     "\x83\x66\x81\x5b\x83\x5e\x97\xcc\x88\xe6\x82\xf0\x92\xb4\x82\xa6\x82\xdc"
     "\x82\xb5\x82\xbd\x81\x42in dec_cnxlz\n"},
    // ファイルの読み込みに失敗しました。
    {-601, "q:\\F001.SPR",
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x93\xc7\x82\xdd\x8d\x9e"
     "\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
     "\x81\x42in q:\\F001.SPR\n"},
    // ファイルの書き込みに失敗しました。
    {-602, "bmp_out",
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8f\x91\x82\xab\x8d\x9e\x82\xdd"
     "\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42in bmp_out\n"},
    // Codes without a text: the first band leaves the line open, the second names the context.
    {-150, "ignored", ""},
    {-2, nullptr, ""},
    {-700, "dec_face", "in dec_face\n"},
    {-200, "x", "in x\n"},
};

// What errormes printed on a console in the encoding.
struct reported {
    std::string printed;
};

reported report(status code, const char* context,
                console_encoding encoding = console_encoding::shift_jis) {
    const memory_stream out;
    console con(out.file(), stdin, text_encoding{encoding, {}});
    errormes(con, code, context);
    return {out.text()};
}

TEST(Errormes, SuccessAndMinusOnePassThroughSilently) {
    for (status code : {0, 1, 12800, 0x7FFFFFFF, -1}) {
        const reported r = report(code, "bmp_out");
        EXPECT_EQ(r.printed, "");
    }
    EXPECT_EQ(report(-1, nullptr).printed, "");
}

TEST(Errormes, EveryCodePrintsItsText) {
    for (const message_case& c : message_cases) {
        const reported r = report(c.code, c.context);
        EXPECT_EQ(r.printed, std::string(error_prefix) + c.printed) << "code " << c.code;
        // The text alone, as a document of the run keeps it: no prefix, no line end.
        std::string text = c.printed;
        if (text.ends_with('\n')) {
            text.pop_back();
        }
        EXPECT_EQ(message_text(c.code, c.context, console_encoding::shift_jis), text)
            << "code " << c.code;
    }
}

TEST(Errormes, ContextBandWithoutContextBlamesItself) {
    for (status code : {-201, -300, -505}) {
        const reported r = report(code, nullptr);
        EXPECT_EQ(r.printed, std::string(error_prefix) + report_of(-501, "errormes"))
            << "code " << code;
    }
}

constexpr japanese_text all_japanese_texts[] = {
    text_name_too_long, text_no_file,      text_bad_drive,    text_not_found,
    text_unsupported,   text_bad_argument, text_no_memory,    text_bad_reference,
    text_overrun,       text_read_failed,  text_write_failed, text_prompt,
};

// Both forms of each Japanese text say the same: the UTF-8 form is the Shift-JIS one as
// the system's own converter reads it, and a UTF-8 console prints that form.
TEST(Errormes, EveryTextSaysTheSameInBothEncodings) {
    const iconv_t to_utf8 = iconv_open("UTF-8", "SHIFT_JIS");
    ASSERT_NE(to_utf8, reinterpret_cast<iconv_t>(-1));
    for (const japanese_text& text : all_japanese_texts) {
        std::string in = text.shift_jis;
        std::string out(4 * in.size(), '\0');
        char* from = in.data();
        char* to = out.data();
        std::size_t from_left = in.size();
        std::size_t to_left = out.size();
        ASSERT_NE(iconv(to_utf8, &from, &from_left, &to, &to_left), static_cast<std::size_t>(-1));
        out.resize(out.size() - to_left);
        EXPECT_EQ(out, text.utf8) << text.utf8;
    }
    iconv_close(to_utf8);
    EXPECT_EQ(report(-201, "game.cue:TITLE.SEQ", console_encoding::utf8).printed,
              std::string(error_prefix) + text_not_found.utf8 + "> game.cue:TITLE.SEQ\n");
}

} // namespace
