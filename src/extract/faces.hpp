// Face portraits: every F*.SPR in the disc root, 80 x 80 direct colour, to 24-bit pictures.
#pragma once

#include "extract/groups.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <string>
#include <vector>

class disc;
class picture_run;

constexpr char group_faces[] = "faces";
// The portraits' search, the first thing the group asks of the disc.
constexpr char faces_pattern[] = "F*.SPR";

// A portrait for every F*.SPR on the disc, made of that file.
std::vector<listed_picture> list_faces(const disc& source);
// Extracts a listed portrait; the group goes on whatever became of it.
bool make_face(group_job& job, const listed_picture& picture);

// Extracts the portrait of the found name: the picture is named by the four characters from
// its last dot turned into the format's extension (one is added to a name without a dot).
// False when it failed: a name over 12 characters (-102), a file that cannot be loaded or
// is short of a portrait (no line), a conversion or a write that failed.
bool dec_face(picture_run& run, const std::string& found, transparency mode);
