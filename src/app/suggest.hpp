// What the user may have meant by a word the program does not know.
#pragma once

#include <span>
#include <string>
#include <string_view>

// The candidate closest to typed, when it is close enough to be what was meant: one edit (a
// letter wrong, missing or added, or two letters swapped) for every three letters typed, at
// least one. Case does not count; of two as close, the first is taken. Empty when none is.
std::string closest_word(std::string_view typed, std::span<const std::string_view> candidates);
