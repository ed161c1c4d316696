// Text from the user or the system, made safe to show on one line of a terminal.
#pragma once

#include <string>
#include <string_view>

// The text with every control character written as an escape (\n, \t, \x1b), as ls shows
// names: C0 codes, DEL, and C1 codes in their UTF-8 form. Everything else stays as it is.
std::string escaped(std::string_view text);
