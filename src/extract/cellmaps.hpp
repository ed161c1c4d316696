// Cell-map pictures: one row of the cell-map table, its map, its cells, its palettes.
#pragma once

#include "app/errormes.hpp"
#include "extract/title_tables.hpp"

#include <cstdint>

class disc;

// The title data as the title group loads it; palettes are read from it, nothing else.
constexpr std::uint32_t title_data_size = 42592;

// Makes the pictures of one row, each with the next palette of the title data. Returns 0,
// or -1 when a step failed (reported, except a cell depth above 8, which ends silently).
status dec_cellmap(const disc& source, const std::uint8_t* title_data, cell_map row);
