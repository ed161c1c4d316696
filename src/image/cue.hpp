// CUE sheets: which file holds a disc's data track, how its sectors are framed and where
// the track starts, read from the sheet's text.
#pragma once

#include "image/image_formats.hpp"
#include "image/sectors.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The largest sheet read: far beyond any disc's, and still one small read.
constexpr std::size_t largest_cue_sheet = 1u << 20;

struct cue_data_track {
    std::string file;    // as the sheet names it, with '/' for either separator
    framing frames{};    // MODE1/2048, MODE1/2352 or MODE2/2352
    std::uint64_t start; // bytes into the file where the track's INDEX 01 lies
};

enum class cue_reading {
    data_track,    // the first data track, found
    no_data_track, // a sheet of audio tracks alone, or of modes no disc of these has
    utf16_sheet,   // a sheet in UTF-16, which is not read: its text must be UTF-8 or ASCII
    nul_byte,      // a sheet with a NUL byte in it, which no sheet's text holds
    not_a_sheet,
};

// Whether text (its beginning will do) reads as a CUE sheet: after a byte order mark and
// blank lines, its first word is a command a sheet begins with. A sheet in UTF-16 counts.
bool looks_like_cue_sheet(std::string_view text);

// Reads a sheet as other tools do: keywords and modes in any case, any line ends, "INDEX 1"
// as "INDEX 01", a FILE name quoted or not.
cue_reading read_cue_sheet(std::string_view text, cue_data_track& track);

// Sheets as an image format: told by their first words, opened to the data track of the file
// they name, which beside opens.
bool probe_cue_sheet(const image_file& file);
result<opened_image> open_cue_sheet(std::unique_ptr<image_file> file, const std::string& path,
                                    file_beside beside);
