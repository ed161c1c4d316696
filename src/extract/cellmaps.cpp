#include "extract/cellmaps.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/picture.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <cstdio>
#include <limits>

namespace {

constexpr char map_format[] = "DM_%s.MAP";
constexpr char cel_format[] = "DM_%s.CEL";
constexpr char part_format[] = "DM_%s%1u.CEL";
constexpr char single_format[] = "DM_%s.BMP";
constexpr char numbered_format[] = "DM_%s_%1u.BMP";
// Room for the longest name the formats make: their own characters, the longest name of
// the table and the most digits a number can have.
constexpr std::size_t numbered_name_size =
    sizeof "DM__.BMP" + (table_name_size - 1) + std::numeric_limits<unsigned>::digits10 + 1;

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

} // namespace

status dec_cellmap(const disc& source, const std::uint8_t* title_data, cell_map row) {
    std::uint16_t map[map_area_entries] = {};
    std::uint8_t cells[cell_data_size] = {};
    std::uint8_t palette[palette_size] = {};
    char file[numbered_name_size] = {};
    std::snprintf(file, sizeof file, map_format, row.map_name);
    if (load_disc_file(source, file, entry_bytes(map), map_area_size) < 0) {
        return st_reported;
    }
    const unsigned pictures = counts_pictures(row.counts);
    const unsigned parts = counts_parts(row.counts);
    if (parts == 0) {
        std::snprintf(file, sizeof file, cel_format, row.cel_name);
        if (load_disc_file(source, file, cells, cell_data_size) < 0) {
            return st_reported;
        }
    } else {
        // Parts are numbered from 1 and lie one behind the other, however long each was.
        std::uint32_t placed = 0;
        for (unsigned part = 1; part <= parts; ++part) {
            std::snprintf(file, sizeof file, part_format, row.cel_name, part);
            const status loaded =
                load_disc_file(source, file, cells + placed, cell_data_size / parts);
            if (loaded < 0) {
                return st_reported;
            }
            placed += static_cast<std::uint32_t>(loaded);
        }
    }
    std::uint16_t depth = 0;
    if (errormes(opti_ss_pnb(map, &depth, cellmap_map_entries), "opti_ss_pnb") != st_ok) {
        return st_reported;
    }
    if (depth > deepest_cells) {
        return st_reported;
    }
    if (errormes(cutimage(entry_bytes(map), entry_bytes(map), map_columns, cellmap_map_rows,
                          row.width, row.height, 0, 0, map_entry_bits),
                 "cutimage") != st_ok ||
        errormes(dec_s8_tile(cells, cells, map, cell_data_size, row.width, row.height, depth),
                 "dec_s8_tile") != st_ok) {
        return st_reported;
    }
    for (unsigned k = 0; k < pictures; ++k) {
        char output[numbered_name_size] = {};
        if (pictures == 1) {
            std::snprintf(output, sizeof output, single_format, row.map_name);
        } else {
            std::snprintf(output, sizeof output, numbered_format, row.map_name, k);
        }
        dec_ss_pal(title_data + row.palette_offset, palette, palette_entries);
        if (write_picture(output, palette, cells, row.width * cell_side, row.height * cell_side,
                          depth) != st_ok) {
            return st_reported;
        }
        row.palette_offset += palette_block_size;
    }
    return st_ok;
}
