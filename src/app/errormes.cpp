#include "app/errormes.hpp"

#include "platform/console.hpp"

namespace {

struct message {
    status code;
    const char* text; // printf format; the codes of the context band take one %s
};

// The texts are Shift-JIS, written out byte for byte; the Japanese is beside each.
constexpr message messages[] = {
    // ファイル名が長すぎます。
    {err_name_too_long, "\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc\x82\xaa\x92\xb7\x82\xb7\x82\xac"
                        "\x82\xdc\x82\xb7\x81\x42"
                        "\n"},
    // ファイルが存在しません。
    {err_no_file, "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x91\xb6\x8d\xdd\x82\xb5\x82\xdc\x82\xb9"
                  "\x82\xf1\x81\x42"
                  "\n"},
    // ドライブが無効です。
    {err_bad_drive,
     "\x83\x68\x83\x89\x83\x43\x83\x75\x82\xaa\x96\xb3\x8c\xf8\x82\xc5\x82\xb7\x81\x42"
     "\n"},
    // ファイルが見つかりません。
    {err_open,
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82"
     "\xb9\x82\xf1\x81\x42"
     "> %s\n"},
    // このファイルは非対応です。
    {err_unsupported, "\x82\xb1\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd\x94\xf1\x91\xce\x89"
                      "\x9e\x82\xc5\x82\xb7\x81\x42"
                      "> %s\n"},
    // 不正な引数が入力されました。
    {err_argument,
     "\x95\x73\x90\xb3\x82\xc8\x88\xf8\x90\x94\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea"
     "\x82\xdc\x82\xb5\x82\xbd\x81\x42"
     "in %s\n"},
    // メモリが確保できません。
    {err_memory, "\x83\x81\x83\x82\x83\x8a\x82\xaa\x8a\x6d\x95\xdb\x82\xc5\x82\xab\x82\xdc\x82\xb9"
                 "\x82\xf1\x81\x42"
                 "in %s\n"},
    // 参照位置が正しくありません。
    {err_reference, "\x8e\x51\x8f\xc6\x88\xca\x92\x75\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0\x82"
                    "\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42"
                    "in %s\n"},
    // データ領域を超えました。
    {err_overrun, "\x83\x66\x81\x5b\x83\x5e\x97\xcc\x88\xe6\x82\xf0\x92\xb4\x82\xa6\x82\xdc\x82\xb5"
                  "\x82\xbd\x81\x42"
                  "in %s\n"},
    // ファイルの読み込みに失敗しました。
    {err_read,
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e"
     "\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"
     "in %s\n"},
    // ファイルの書き込みに失敗しました。
    {err_write, "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xc9"
                "\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"
                "in %s\n"},
};

// A context-band code without a text of its own still names its context.
constexpr const char* unknown_context_text = "in %s\n";

const char* message_text(status code) {
    for (const message& m : messages) {
        if (m.code == code) {
            return m.text;
        }
    }
    return nullptr;
}

} // namespace

status errormes(status code, const char* context) {
    if (code >= st_reported) {
        return code;
    }
    con_printf("Error!  ");
    const char* text = message_text(code);
    if (code > err_context_band) {
        // Codes of this band are reported without a context: one without a text of its own
        // has nothing to print after the prefix.
        if (text != nullptr) {
            con_puts(text);
        }
        return st_reported;
    }
    if (context == nullptr) {
        return errormes(err_argument, "errormes");
    }
    con_printf(text != nullptr ? text : unknown_context_text, context);
    return st_reported;
}
