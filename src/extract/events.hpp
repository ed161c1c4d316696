// Opening and event screens: 28 pictures of 352 x 240 in 256 colours, one shared table.
#pragma once

#include "extract/groups.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <vector>

class disc;
class picture_run;

constexpr char group_events[] = "events";
// The palette store, the first file the group reads.
constexpr char events_first_file[] = "MP1001.SEQ";

// The opening, the first event and EV_01 to EV_27 but EV_15, each made of its CEL, the
// palette store and the shared table.
std::vector<listed_picture> list_events(const disc& source);
// Makes a listed picture, loading the palette store and the shared table for the first.
// False when those fail, else true whatever became of the picture.
bool make_event(group_job& job, const listed_picture& picture);

// Makes the picture NAME from NAME.CEL, the 256 big-endian colour words at palette_words and
// the prepared 44 x 30 table. False when it failed (a CEL of the wrong size without a line).
bool dec_event(picture_run& run, const char* name, const std::uint8_t* palette_words,
               const std::uint16_t* table, transparency mode);
