// Ending screens: nine direct-colour pictures of 176 x 240, each with its own table.
#pragma once

#include "extract/groups.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <vector>

class disc;
class picture_run;

constexpr char group_endings[] = "endings";
// The first ending's table, the first file the group reads.
constexpr char endings_first_file[] = "ED_01.MAP";

// Makes ED_01 to ED_09 (those the run selects), converting colours under mode, and stops
// at the first that fails. False then, else true.
bool ext_endings(picture_run& run, transparency mode);
void endings_pictures(const disc& source, std::vector<group_picture>& out);

// Makes the picture NAME from NAME.MAP and the cells, in five parts NAME0.CEL to NAME4.CEL
// or in one NAME.CEL. False when it failed (a table of the wrong depth without a line).
bool dec_ending(picture_run& run, const char* name, bool five_parts, transparency mode);
