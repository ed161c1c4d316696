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

// ED_01 to ED_09, each made of its table and its cells.
std::vector<listed_picture> list_endings(const disc& source);
// Makes a listed ending. False when it failed: the group stops at the first that fails.
bool make_ending(group_job& job, const listed_picture& picture);

// Makes the picture NAME from NAME.MAP and the cells, in five parts NAME0.CEL to NAME4.CEL
// or in one NAME.CEL. False when it failed (a table of the wrong depth without a line).
bool dec_ending(picture_run& run, const char* name, bool five_parts, transparency mode);
