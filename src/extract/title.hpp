// The title group: the title logo and background, the sprite sheets, then the cell-map
// pictures, all coloured from TITLE.SEQ.
#pragma once

#include "app/errormes.hpp"

#include <cstdint>

class disc;

// Loads the title data and makes every picture of the group. Returns -1 when the title
// data cannot be loaded (nothing else is opened), else 0 whatever became of the pictures.
status ext_title(const disc& source);

// Makes NAME.BMP from NAME.SPR, rows of width 8-bit pixels, with the given 256-entry
// palette. Returns 0, or -1 (reported).
status dec_spr(const disc& source, const char* name, const std::uint8_t* palette,
               std::uint32_t width);

// Makes NAME.BMP from the top left 352 x 240 of the 512 x 256 background NAME.BBG.
// Returns 0, or -1 (reported).
status dec_bbg(const disc& source, const char* name, const std::uint8_t* palette);
