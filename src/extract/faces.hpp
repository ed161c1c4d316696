// Face portraits: every F*.SPR in the disc root, 80 x 80 direct colour, to 24-bit BMP.
#pragma once

#include "app/errormes.hpp"

// Finds and extracts every portrait. Returns 0 when the search found any name,
// whatever became of the portraits; -1 (reported) when nothing matched.
status ext_faces(const char* root);

// Extracts one portrait. path holds the root path in a 16-byte buffer, which receives
// the full path; name is the found name, whose extension is rewritten to ".BMP" for the
// output. Returns 0, -1 (reported, or a short file), or -102 for a name over 12
// characters, which the caller reports.
status dec_face(char* path, char* name);
