#include "app/run.hpp"

#include "extract/endings.hpp"
#include "extract/events.hpp"
#include "extract/faces.hpp"
#include "extract/title.hpp"
#include "gfx/colour.hpp"
#include "platform/console.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"

#include <cstdio>

namespace {

constexpr char banner[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
// ゲームディスクが入っているドライブ名を入力して下さい。
constexpr char prompt[] = "\x83\x51\x81\x5b\x83\x80\x83\x66\x83\x42\x83\x58\x83\x4e\x82\xaa\x93"
                          "\xfc\x82\xc1\x82\xc4\x82\xa2\x82\xe9\x83\x68\x83\x89\x83\x43\x83\x75"
                          "\x96\xbc\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82"
                          "\xa2\x81\x42"
                          "\n";
constexpr char input_marker[] = "drive letter >";
constexpr char root_format[] = "%c:\\";
constexpr std::size_t root_size = 4; // letter, colon, backslash, terminator

// Drops the rest of the typed line; stops at end of input rather than wait for more.
void discard_line(int first) {
    for (int c = first; c != '\n' && c != EOF;) {
        c = con_getc();
    }
}

} // namespace

status run_extraction(const disc& source) {
    // Portraits mark every pixel whose top bit is clear; nothing else does.
    set_transparency_mode(trans_mark_clear);
    status result = ext_faces(source);
    set_transparency_mode(trans_plain);
    // A failing group never stops the run.
    result |= ext_events(source);
    result |= ext_endings(source);
    result |= ext_title(source);
    return result;
}

int quillmoor_main() {
    con_puts(banner);
    con_puts("\n");
    con_puts(prompt);
    con_puts(input_marker);
    con_flush();

    const int letter = con_getc();
    discard_line(letter);
    con_puts("\n");
    if (!is_ascii_letter(letter)) {
        errormes(err_bad_drive, nullptr);
        con_flush();
        return st_reported;
    }
    char root[root_size] = {};
    std::snprintf(root, sizeof root, root_format, letter);
    const status result = run_extraction(*open_drive(root));
    con_flush();
    return result;
}
