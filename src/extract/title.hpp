// The title group: the title logo and background, the sprite sheets, then the cell-map
// pictures, all coloured from TITLE.SEQ.
#pragma once

#include "extract/groups.hpp"
#include "extract/title_tables.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <vector>

class disc;
class picture_run;

constexpr char group_title[] = "title";
constexpr char group_sprites[] = "sprites";

// The title pictures, the sprite sheets and the cell-map pictures, each under its kind.
std::vector<listed_picture> list_title(const disc& source);
// Makes a listed picture, loading the title data for the first. False when the title data
// cannot be loaded (nothing else is opened), else true whatever became of the picture.
bool make_title(group_job& job, const listed_picture& picture);

// Makes the picture NAME of group from NAME.SPR, rows of width 8-bit pixels, coloured by the
// 256 colour words at palette_words under mode. False when it failed.
bool dec_spr(picture_run& run, const char* name, const char* group,
             const std::uint8_t* palette_words, std::uint32_t width, transparency mode);

// Makes the picture NAME from the top left 352 x 240 of the 512 x 256 background NAME.BBG.
// False when it failed.
bool dec_bbg(picture_run& run, const char* name, const std::uint8_t* palette_words,
             transparency mode);
