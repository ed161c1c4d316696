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

// Loads the palette store and the shared table, then makes every picture the run selects,
// converting colours under mode. False when a shared step fails, else true whatever became
// of the pictures.
bool ext_events(picture_run& run, transparency mode);
void events_pictures(const disc& source, std::vector<group_picture>& out);

// Makes the picture NAME from NAME.CEL, the 256 big-endian colour words at palette_words and
// the prepared 44 x 30 table. False when it failed (a CEL of the wrong size without a line).
bool dec_event(picture_run& run, const char* name, const std::uint8_t* palette_words,
               const std::uint16_t* table, transparency mode);
