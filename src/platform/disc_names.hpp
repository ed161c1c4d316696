// Disc file names: what a drive root looks like, and which names are taken from a disc at
// all.
#pragma once

#include <cstddef>
#include <string>

// "q", "q:", "q:\" and "q:/" name drive q on a command line.
bool is_drive_letter(const std::string& source);
// The root of a drive as messages name it: the letter as typed, a colon, a backslash.
std::string drive_root(char letter);
bool is_drive_root(const char* root);

// A name on a disc is data from a stranger: only printable ASCII without a separator, and
// neither "." nor "..", is taken. Any other could leave the folder it is used in or reach a
// terminal as control codes: a search skips it and reading it finds nothing.
bool is_safe_name(const std::string& name);

// The name as a folder would show it: an ISO 9660 version number (";1") is dropped, and
// with it the dot left before an empty extension ("README.;1" is "README").
std::string shown_name(std::string name);
