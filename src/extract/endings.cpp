#include "extract/endings.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/picture.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <cstdio>

namespace {

constexpr char map_format[] = "%s.MAP";
constexpr char part_format[] = "%s%1u.CEL";
constexpr char cel_format[] = "%s.CEL";
constexpr char bmp_format[] = "%s.BMP";
constexpr char ending_format[] = "ED_%02u";
constexpr std::size_t name_size = 8;
constexpr unsigned ending_count = 9;
constexpr unsigned single_file_ending = 5; // the only one whose cells are not in parts

// The 22 x 30 cells from row 1 of the table, 16 bits deep: row 0 never shows.
constexpr std::uint32_t cells_across = 22;
constexpr std::uint32_t cells_down = 30;
constexpr std::uint32_t first_row = 1;
constexpr std::uint16_t ending_depth = depth_16;
constexpr std::uint32_t ending_width = cells_across * cell_side;
constexpr std::uint32_t ending_height = cells_down * cell_side;
constexpr std::uint32_t cell_data_size = ending_width * ending_height * 2;
constexpr std::uint32_t picture_size = rgb_row_size(ending_width) * ending_height;
constexpr std::uint16_t ending_bits = 24;
constexpr unsigned part_count = 5;
constexpr std::uint32_t part_size = cell_data_size / part_count;
static_assert(cell_data_size == 84480 && part_size == 16896 && picture_size == 126720);

} // namespace

status dec_ending(const disc& source, const char* name, bool five_parts) {
    std::uint16_t table[map_area_entries] = {};
    std::uint8_t picture[picture_size] = {};
    char file[file_name_size] = {};
    char output[file_name_size] = {};
    std::snprintf(file, sizeof file, map_format, name);
    if (load_disc_file(source, file, entry_bytes(table), map_area_size) < 0) {
        return st_reported;
    }
    if (five_parts) {
        // Each part lands directly behind what the parts before it delivered.
        std::uint32_t placed = 0;
        for (unsigned part = 0; part < part_count; ++part) {
            std::snprintf(file, sizeof file, part_format, name, part);
            const status loaded = load_disc_file(source, file, picture + placed, part_size);
            if (loaded < 0) {
                return st_reported;
            }
            placed += static_cast<std::uint32_t>(loaded);
        }
    } else {
        std::snprintf(file, sizeof file, cel_format, name);
        if (load_disc_file(source, file, picture, cell_data_size) < 0) {
            return st_reported;
        }
    }
    std::snprintf(output, sizeof output, bmp_format, name);
    std::uint16_t depth = 0;
    if (errormes(opti_ss_pnb(table, &depth, map_entries), "opti_ss_pnb") != st_ok ||
        depth != ending_depth) {
        return st_reported;
    }
    if (cutimage(entry_bytes(table), entry_bytes(table), map_columns, map_rows, cells_across,
                 cells_down, 0, first_row, map_entry_bits) != st_ok) {
        return st_reported;
    }
    if (errormes(
            dec_s8_tile(picture, picture, table, cell_data_size, cells_across, cells_down, depth),
            "dec_s8_tile") != st_ok ||
        errormes(dec_ss_hc(picture, picture, ending_width, ending_height), "dec_ss_hc") != st_ok) {
        return st_reported;
    }
    return write_picture(output, nullptr, picture, ending_width, ending_height, ending_bits);
}

status ext_endings(const disc& source) {
    for (unsigned n = 1; n <= ending_count; ++n) {
        char name[name_size] = {};
        std::snprintf(name, sizeof name, ending_format, n);
        if (dec_ending(source, name, n != single_file_ending) != st_ok) {
            return st_reported;
        }
    }
    return st_ok;
}
