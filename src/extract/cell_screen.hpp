// A cell screen: a pattern name table from the disc, normalised and cut to the cells a
// picture shows, as every group that lays out cells reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class picture_job;

// What the cells of a screen may be: one depth, or any up to the deepest.
enum class depth_rule { exactly, at_most };

struct cell_screen {
    std::uint32_t map_rows;  // rows of map_columns entries the table holds
    std::uint32_t across;    // cells the picture shows
    std::uint32_t down;      // cells down
    std::uint32_t first_row; // the table row the picture starts at; always column 0
    std::uint16_t depth;     // the cells' depth, or the deepest they may be
    depth_rule rule;
    // A table that cannot be cut fails quietly as too small for this many pictures; 0: it
    // fails as cutimage refused it, with a line.
    std::uint64_t cut_pictures;
};

// Loads the table `file` into map (map_area_entries entries), then the cell data through
// cells when given (the disc's files are read in that order), normalises the table and cuts
// it to the screen. Gives the cells' depth; nothing after a failure it has told. A depth the
// screen does not take fails without a line.
std::optional<std::uint16_t> load_cell_screen(picture_job& job, const char* file,
                                              std::uint16_t* map, const cell_screen& screen,
                                              const std::function<bool()>& cells = {});
