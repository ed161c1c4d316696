// Reaching the disc: opening its files and searching its root directory. Paths are
// written as on the disc's own platform, a drive letter, a colon, a backslash and a
// file name ("q:\TITLE.SEQ"); each platform decides where that drive lives.
#pragma once

#include <cstddef>
#include <cstdio>

// Opens a disc file for binary reading; null when it cannot be opened.
std::FILE* open_disc_file(const char* path);

// Room for a found name and its terminator, as the system's own search records have.
constexpr std::size_t find_name_size = 260;

struct find_record {
    char name[find_name_size]; // the bare file name, no directory
};

struct disc_search;

// Starts a search for a wildcard pattern ("q:\F*.SPR": * and ? in the last part);
// fills record with the first matching file and returns the open search, or returns
// null when nothing matches or the directory cannot be searched. Directories never
// match. The record is zero-filled before each name goes in.
disc_search* find_first(const char* pattern, find_record* record);
// Fills record with the next match; false when there is none left.
bool find_next(disc_search* search, find_record* record);
void find_close(disc_search* search);

// Puts a found name into a zero-filled record, cut to the record's room.
void set_found_name(find_record* record, const char* name);
