#include "extract/cellmaps.hpp"

#include "extract/cell_screen.hpp"
#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <cstdio>
#include <limits>

namespace {

constexpr char map_format[] = "DM_%s.MAP";
constexpr char cel_format[] = "DM_%s.CEL";
constexpr char part_format[] = "DM_%s%1u.CEL";
constexpr char single_format[] = "DM_%s";
constexpr char numbered_format[] = "DM_%s_%1u";
// Room for the longest name the formats make: their own characters, the longest name of
// the table and the most digits a number can have.
constexpr std::size_t numbered_name_size =
    sizeof "DM__.CEL" + (table_name_size - 1) + std::numeric_limits<unsigned>::digits10 + 1;

// The map is a whole 64 x 64 table; the picture uses its top left corner.
constexpr std::uint32_t cellmap_map_rows = 64;
constexpr std::uint32_t cellmap_map_entries = map_columns * cellmap_map_rows;
static_assert(cellmap_map_entries == map_area_entries);
constexpr std::uint32_t cell_data_size = 262144;
constexpr std::uint16_t deepest_cells = depth_8;

// Every row fits the map and its palettes lie inside the title data. (At 4 or 8 bits a
// row of whole cells is always a whole number of 32-bit words, as the BMP file wants.)
constexpr bool all_rows_fit() {
    for (const cell_map& row : dm_cell_maps) {
        if (row.width > map_columns || row.height > cellmap_map_rows ||
            row.palette_offset + counts_pictures(row.counts) * palette_block_size >
                title_data_size) {
            return false;
        }
    }
    return true;
}
static_assert(all_rows_fit());

// The row's cell data: one file, or parts numbered from 1 that lie one behind the other,
// however long each was. False when a file failed to load (told).
bool load_cells(picture_job& job, const cell_map& row, std::uint8_t* cells) {
    char file[numbered_name_size] = {};
    const unsigned parts = counts_parts(row.counts);
    if (parts == 0) {
        std::snprintf(file, sizeof file, cel_format, row.cel_name);
        return job.load(file, cells, cell_data_size).has_value();
    }
    std::uint32_t placed = 0;
    for (unsigned part = 1; part <= parts; ++part) {
        std::snprintf(file, sizeof file, part_format, row.cel_name, part);
        const std::optional<std::uint32_t> loaded =
            job.load(file, cells + placed, cell_data_size / parts);
        if (!loaded) {
            return false;
        }
        placed += *loaded;
    }
    return true;
}

} // namespace

std::string cellmap_picture_name(const cell_map& row, unsigned k) {
    char name[numbered_name_size] = {};
    if (counts_pictures(row.counts) == 1) {
        std::snprintf(name, sizeof name, single_format, row.map_name);
    } else {
        std::snprintf(name, sizeof name, numbered_format, row.map_name, k);
    }
    return name;
}

std::vector<std::string> cellmap_sources(const cell_map& row) {
    char file[numbered_name_size] = {};
    std::snprintf(file, sizeof file, map_format, row.map_name);
    std::vector<std::string> sources{title_file, file};
    const unsigned parts = counts_parts(row.counts);
    if (parts == 0) {
        std::snprintf(file, sizeof file, cel_format, row.cel_name);
        sources.emplace_back(file);
    }
    for (unsigned part = 1; part <= parts; ++part) {
        std::snprintf(file, sizeof file, part_format, row.cel_name, part);
        sources.emplace_back(file);
    }
    return sources;
}

namespace {

// The row's cells, loaded, checked against its map and tiled into the picture's rows, into
// the group's row. False when a step failed (told).
bool tile_row(picture_job& job, const cell_map& row, group_job::row_data& tiled) {
    std::uint16_t map[map_area_entries] = {};
    char file[numbered_name_size] = {};
    heap_block cells = heap_take(cell_data_size);
    if (!cells) {
        return job.fail(error{error_kind::no_memory, "dec_cellmap"});
    }
    std::snprintf(file, sizeof file, map_format, row.map_name);
    // A table that cannot be cut to the row is told as cutimage refused it.
    const cell_screen screen{cellmap_map_rows, row.width,           row.height, 0,
                             deepest_cells,    depth_rule::at_most, 0};
    const std::optional<std::uint16_t> depth =
        load_cell_screen(job, file, map, screen, [&] { return load_cells(job, row, cells.get()); });
    if (!depth || !job.check(dec_s8_tile(cells.get(), cells.get(), map, cell_data_size, row.width,
                                         row.height, *depth))) {
        return false;
    }
    tiled = {std::move(cells), *depth};
    return true;
}

} // namespace

bool dec_cellmap(group_job& group, const std::uint8_t* title_data, const cell_map& row,
                 unsigned k) {
    std::uint8_t palette[palette_size] = {};
    const std::string name = cellmap_picture_name(row, k);
    picture_job job(group.run(), group_cellmaps, name);
    job.makes(group.costs());
    group_job::row_data& tiled = group.row();
    if (tiled.block) {
        // The row's first picture read its files: this one is made of them too.
        for (const std::string& file : cellmap_sources(row)) {
            job.uses(file.c_str());
        }
    } else {
        job.uses(title_file);
        if (!tile_row(job, row, tiled)) {
            return false;
        }
    }
    const std::uint32_t palette_offset = row.palette_offset + k * palette_block_size;
    if (palette_offset + palette_block_size > title_data_size) {
        return job.fail(error{error_kind::bad_argument, "dec_ss_pal"});
    }
    if (!job.check(
            dec_ss_pal(title_data + palette_offset, palette, palette_entries, group.mode()))) {
        return false;
    }
    return job.write_as(name, {palette, tiled.block.get(), row.width * cell_side,
                               row.height * cell_side, tiled.depth, false});
}
