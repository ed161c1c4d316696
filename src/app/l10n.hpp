// The program's messages in the reader's language. A text is marked where it is written, N_
// in constant data and _ where it is used; the catalogs (po/) hold its translations, and a
// text a catalog lacks stays the program's own.
#pragma once

#include "platform/terminal.hpp"

#include <string>

#define N_(text) text
#define _(text) translated(text)

inline constexpr char text_domain[] = "quillmoor";

// Reads the reader's language from the environment: once, in main, before anything is printed.
void choose_message_language();

// text in the reader's language; text itself, the same pointer, where no catalog translates it.
[[gnu::format_arg(1)]] const char* translated(const char* text);

// Translations in the encoding the command line chose for the console; without it, they come
// in the locale's character set, as the C library converts them.
void translate_into(console_encoding chosen);

// A message made of a translated format and what fills it, as printf would write it.
[[gnu::format(printf, 1, 2)]] std::string formatted(const char* format, ...);
