// Cell-map pictures: one row of the cell-map table, its map, its cells, its palettes.
#pragma once

#include "extract/title_tables.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <string>
#include <vector>

class group_job;

constexpr char group_cellmaps[] = "cellmaps";

// The name of picture k (from 0) of a row: DM_MAP for a row of one picture, DM_MAP_k else.
std::string cellmap_picture_name(const cell_map& row, unsigned k);
// The disc files the row's pictures are made of: the title data, the map, the cells.
std::vector<std::string> cellmap_sources(const cell_map& row);

// Makes picture k of one row, with the k-th palette of the row in the title data (title_data_size
// bytes), converted under the group's mode. The row's cells are loaded and tiled by its first
// picture and kept in the group's row for the others. A failure costs the pictures the group
// names (costs). False when it failed (a cell depth above 8 without a line).
bool dec_cellmap(group_job& group, const std::uint8_t* title_data, const cell_map& row, unsigned k);
