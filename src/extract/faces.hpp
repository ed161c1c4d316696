// Face portraits: every F*.SPR in the disc root, 80 x 80 direct colour, to 24-bit BMP.
#pragma once

#include "app/errormes.hpp"

class disc;

// Finds and extracts every portrait. Returns 0 when the search found any name,
// whatever became of the portraits; -1 (reported) when nothing matched.
status ext_faces(const disc& source);

// Extracts the portrait of the found name, whose extension is rewritten to ".BMP" for the
// output (the buffer has room for ".BMP" after the name). Returns 0, -1 (reported, or a
// short file), or -102 for a name over 12 characters, which the caller reports.
status dec_face(const disc& source, char* name);
