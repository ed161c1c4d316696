// Ending screens: nine direct-colour pictures of 176 x 240, each with its own table.
#pragma once

#include "app/errormes.hpp"

class disc;

// Makes ED_01 to ED_09 and stops at the first that fails. Returns 0, or -1 then.
status ext_endings(const disc& source);

// Makes NAME.BMP from NAME.MAP and the cells, in five parts NAME0.CEL to NAME4.CEL or in
// one NAME.CEL. Returns 0, or -1 (reported, or a table of the wrong depth).
status dec_ending(const disc& source, const char* name, bool five_parts);
