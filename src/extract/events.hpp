// Opening and event screens: 28 pictures of 352 x 240 in 256 colours, one shared table.
#pragma once

#include "app/errormes.hpp"

#include <cstdint>

class disc;

// Loads the palette store and the shared table, then makes every picture. Returns -1
// when a shared step fails, else 0 whatever became of the pictures.
status ext_events(const disc& source);

// Makes NAME.BMP from NAME.CEL, the 256 big-endian colour words at palette_words and the
// prepared 44 x 30 table. Returns 0, or -1 (reported, or a CEL of the wrong size).
status dec_event(const disc& source, const char* name, const std::uint8_t* palette_words,
                 const std::uint16_t* table);
