// What the terminal shows: the encoding the program's Japanese texts go out in.
#pragma once

// Shift-JIS, as the console the program was made for shows it, or UTF-8, for terminals that
// show UTF-8.
enum class console_encoding { shift_jis, utf8 };

// UTF-8 where standard output is a terminal whose locale writes UTF-8; else Shift-JIS.
console_encoding terminal_encoding();
