// Disc file names as the disc's own platform sees them: a drive root, then a name that
// matches without regard to case.
#pragma once

#include <cstddef>

constexpr std::size_t drive_root_length = 3; // "q:\"

// The name after a drive root ("q:\NAME" gives "NAME"), or null when path has none.
const char* after_drive_root(const char* path);

char ascii_lower(char c);
bool same_ignoring_case(const char* a, const char* b);
// Wildcard match without regard to case: * is any run of characters, ? any one.
bool wildcard_match(const char* pattern, const char* name);
