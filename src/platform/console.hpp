// The console: standard output for every line the program prints, standard input for the
// one answer it reads. Each line is written out as it ends, so a pipe sees it at once.
#pragma once

// A text the console writes in its encoding: Shift-JIS, as the console the program was made
// for shows it, or UTF-8, for terminals that show UTF-8.
struct japanese_text {
    const char* shift_jis;
    const char* utf8;
};

[[gnu::format(printf, 1, 2)]] void con_printf(const char* format, ...);
// Writes text as it stands, without a newline of its own.
void con_puts(const char* text);
// Writes a Japanese text in the console's encoding.
void con_puts(const japanese_text& text);
// One character from standard input, or EOF when input has ended.
int con_getc();
// Makes everything printed so far visible, before the program waits for input.
void con_flush();

// The line for a picture written, "done > NAME", unless the run is quiet.
void con_done(const char* name);

enum class console_encoding { shift_jis, utf8 };
void con_set_encoding(console_encoding encoding);
void con_set_quiet(bool quiet);
// UTF-8 where standard output is a terminal whose locale writes UTF-8; else Shift-JIS.
console_encoding terminal_encoding();
