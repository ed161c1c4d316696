#include "extract/title.hpp"

#include "extract/cellmaps.hpp"
#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "extract/title_tables.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"

#include <cstdio>

namespace {

constexpr char spr_format[] = "%s.SPR";
constexpr char bbg_format[] = "%s.BBG";
constexpr char sheet_format[] = "DM_%.5s"; // names hold at most five characters
constexpr std::size_t sheet_name_size = 3 + table_name_size;

constexpr char logo_name[] = "TITLELOG";
constexpr std::uint32_t logo_palette = 16816;
constexpr std::uint32_t logo_width = 296;
constexpr char background_name[] = "TITLEBG";
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

struct sheet_name {
    char text[sheet_name_size];
};

sheet_name name_of_sheet(const sprite_sheet& sheet) {
    sheet_name name{};
    std::snprintf(name.text, sizeof name.text, sheet_format, sheet.name);
    return name;
}

} // namespace

bool dec_spr(picture_run& run, const char* name, const char* group, const std::uint8_t* palette,
             std::uint32_t width) {
    std::uint8_t pixels[sprite_size] = {};
    char file[file_name_size] = {};
    std::snprintf(file, sizeof file, spr_format, name);
    picture_job job(run, group, name);
    job.uses(title_file);
    const std::optional<std::uint32_t> loaded = job.load(file, pixels, sprite_size);
    if (!loaded) {
        return false;
    }
    // An incomplete last row is left out; a file short of one row makes no picture.
    const std::uint32_t height = width != 0 ? *loaded / width : 0;
    return job.write({palette, pixels, width, height, title_bits, false});
}

bool dec_bbg(picture_run& run, const char* name, const std::uint8_t* palette) {
    std::uint8_t pixels[background_size] = {};
    char file[file_name_size] = {};
    std::snprintf(file, sizeof file, bbg_format, name);
    picture_job job(run, group_title, name);
    job.uses(title_file);
    if (!job.load(file, pixels, background_size)) {
        return false;
    }
    return job.check(cutimage(pixels, pixels, background_width, background_height, screen_width,
                              screen_height, 0, 0, title_bits)) &&
           job.write({palette, pixels, screen_width, screen_height, title_bits, false});
}

bool ext_title(picture_run& run, transparency mode) {
    std::uint8_t title_data[title_data_size] = {};
    std::uint8_t palette[palette_size] = {};
    picture_job shared(run, group_title);
    if (!shared.load(title_file, title_data, title_data_size)) {
        return false;
    }
    const auto palette_at = [&](std::uint32_t offset) {
        return shared.check(dec_ss_pal(title_data + offset, palette, palette_entries, mode));
    };
    if (run.wants(logo_name, group_title) && palette_at(logo_palette)) {
        dec_spr(run, logo_name, group_title, palette, logo_width);
    }
    if (run.wants(background_name, group_title) && palette_at(background_palette)) {
        dec_bbg(run, background_name, palette);
    }
    for (const sprite_sheet& sheet : dm_sprite_sheets) {
        const sheet_name name = name_of_sheet(sheet);
        if (run.wants(name.text, group_sprites) && palette_at(sheet.palette_offset)) {
            dec_spr(run, name.text, group_sprites, palette, sheet.width);
        }
    }
    for (const cell_map& row : dm_cell_maps) {
        if (!cellmap_selected(run, row).empty()) {
            dec_cellmap(run, title_data, row, mode);
        }
    }
    return true;
}

void title_pictures(const disc&, std::vector<group_picture>& out) {
    out.push_back({logo_name, group_title});
    out.push_back({background_name, group_title});
    for (const sprite_sheet& sheet : dm_sprite_sheets) {
        out.push_back({name_of_sheet(sheet).text, group_sprites});
    }
    for (const cell_map& row : dm_cell_maps) {
        for (unsigned k = 0; k < counts_pictures(row.counts); ++k) {
            out.push_back({cellmap_picture_name(row, k), group_cellmaps});
        }
    }
}
