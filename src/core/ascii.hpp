// ASCII letters and names matched as the disc's own platform matches them: without regard
// to case, with * and ? as wildcards. Locale-free, for disc names, options and extensions.
#pragma once

#include <string>

bool is_ascii_letter(int c);
char ascii_lower(char c);
bool same_ignoring_case(const char* a, const char* b);
std::string lower_case(const std::string& name);

// Wildcard match without regard to case: * is any run of characters, ? any one.
bool wildcard_match(const char* pattern, const char* name);
