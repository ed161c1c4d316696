#include "extract/title.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/cellmaps.hpp"
#include "extract/picture.hpp"
#include "extract/title_tables.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"

#include <cstdio>

namespace {

constexpr char title_name[] = "TITLE.SEQ";
constexpr char spr_format[] = "%s.SPR";
constexpr char bbg_format[] = "%s.BBG";
constexpr char bmp_format[] = "%s.BMP";
constexpr char sheet_format[] = "DM_%.5s"; // names hold at most five characters
constexpr std::size_t sheet_name_size = 3 + table_name_size;

constexpr std::uint32_t logo_palette = 16816;
constexpr std::uint32_t logo_width = 296;
constexpr std::uint32_t background_palette = 17328;
constexpr std::uint16_t title_bits = 8;

constexpr std::uint32_t sprite_size = 61440;
constexpr std::uint32_t background_width = 512;
constexpr std::uint32_t background_height = 256;
constexpr std::uint32_t background_size = background_width * background_height;
constexpr std::uint32_t screen_width = 352;
constexpr std::uint32_t screen_height = 240;

// Sprite rows are whole BMP rows, and every palette lies inside the title data.
constexpr bool all_sheets_fit() {
    for (const sprite_sheet& sheet : dm_sprite_sheets) {
        if (sheet.width == 0 || sheet.width % 4 != 0 ||
            sheet.palette_offset + palette_block_size > title_data_size) {
            return false;
        }
    }
    return logo_width % 4 == 0 && background_palette + palette_block_size <= title_data_size;
}
static_assert(all_sheets_fit());

} // namespace

status dec_spr(const disc& source, const char* name, const std::uint8_t* palette,
               std::uint32_t width) {
    std::uint8_t pixels[sprite_size] = {};
    char file[file_name_size] = {};
    char output[file_name_size] = {};
    std::snprintf(file, sizeof file, spr_format, name);
    const status loaded = load_disc_file(source, file, pixels, sprite_size);
    if (loaded < 0) {
        return st_reported;
    }
    std::snprintf(output, sizeof output, bmp_format, name);
    // An incomplete last row is left out; a file short of one row makes no picture.
    const std::uint32_t height = width != 0 ? static_cast<std::uint32_t>(loaded) / width : 0;
    return write_picture(output, palette, pixels, width, height, title_bits);
}

status dec_bbg(const disc& source, const char* name, const std::uint8_t* palette) {
    std::uint8_t pixels[background_size] = {};
    char file[file_name_size] = {};
    char output[file_name_size] = {};
    std::snprintf(file, sizeof file, bbg_format, name);
    if (load_disc_file(source, file, pixels, background_size) < 0) {
        return st_reported;
    }
    cutimage(pixels, pixels, background_width, background_height, screen_width, screen_height, 0, 0,
             title_bits);
    std::snprintf(output, sizeof output, bmp_format, name);
    return write_picture(output, palette, pixels, screen_width, screen_height, title_bits);
}

status ext_title(const disc& source) {
    std::uint8_t title_data[title_data_size] = {};
    std::uint8_t palette[palette_size] = {};
    if (load_disc_file(source, title_name, title_data, title_data_size) < 0) {
        return st_reported;
    }
    dec_ss_pal(title_data + logo_palette, palette, palette_entries);
    dec_spr(source, "TITLELOG", palette, logo_width);
    dec_ss_pal(title_data + background_palette, palette, palette_entries);
    dec_bbg(source, "TITLEBG", palette);
    for (const sprite_sheet& sheet : dm_sprite_sheets) {
        char name[sheet_name_size] = {};
        std::snprintf(name, sizeof name, sheet_format, sheet.name);
        dec_ss_pal(title_data + sheet.palette_offset, palette, palette_entries);
        dec_spr(source, name, palette, sheet.width);
    }
    for (const cell_map& row : dm_cell_maps) {
        dec_cellmap(source, title_data, row);
    }
    return st_ok;
}
