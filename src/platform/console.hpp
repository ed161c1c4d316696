// The console: standard output for every line the program prints, standard input
// for the one answer it reads. Bytes pass through unchanged (the texts are Shift-JIS).
#pragma once

[[gnu::format(printf, 1, 2)]] void con_printf(const char* format, ...);
// Writes text as it stands, without a newline of its own.
void con_puts(const char* text);
// One character from standard input, or EOF when input has ended.
int con_getc();
// Makes everything printed so far visible, before the program waits for input.
void con_flush();
