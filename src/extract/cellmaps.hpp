// Cell-map pictures: one row of the cell-map table, its map, its cells, its palettes.
#pragma once

#include "extract/title_tables.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <string>
#include <vector>

class picture_run;

constexpr char group_cellmaps[] = "cellmaps";

// The title data as the title group loads it; palettes are read from it, nothing else.
constexpr std::uint32_t title_data_size = 42592;

// The name of picture k (from 0) of a row: DM_MAP for a row of one picture, DM_MAP_k else.
std::string cellmap_picture_name(const cell_map& row, unsigned k);
// The pictures of the row that the run selects, in order.
std::vector<std::string> cellmap_selected(const picture_run& run, const cell_map& row);

// Makes the pictures of one row that the run selects, each with the next palette of the
// title data, converted under mode. False when a step failed (a cell depth above 8 without a
// line), else true.
bool dec_cellmap(picture_run& run, const std::uint8_t* title_data, cell_map row, transparency mode);
