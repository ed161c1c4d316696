// The title group: the title logo and background, the sprite sheets, then the cell-map
// pictures, all coloured from TITLE.SEQ.
#pragma once

#include "extract/groups.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <vector>

class disc;
class picture_run;

constexpr char group_title[] = "title";
constexpr char group_sprites[] = "sprites";
// The title data, the first file the group reads and the palettes of all its pictures.
constexpr char title_file[] = "TITLE.SEQ";

// Loads the title data and makes every picture of the group the run selects, converting
// colours under mode. False when the title data cannot be loaded (nothing else is opened),
// else true whatever became of the pictures.
bool ext_title(picture_run& run, transparency mode);
// The title pictures, the sprite sheets and the cell-map pictures, each under its kind.
void title_pictures(const disc& source, std::vector<group_picture>& out);

// Makes the picture NAME of group from NAME.SPR, rows of width 8-bit pixels, with the given
// 256-entry palette. False when it failed.
bool dec_spr(picture_run& run, const char* name, const char* group, const std::uint8_t* palette,
             std::uint32_t width);

// Makes the picture NAME from the top left 352 x 240 of the 512 x 256 background NAME.BBG.
// False when it failed.
bool dec_bbg(picture_run& run, const char* name, const std::uint8_t* palette);
