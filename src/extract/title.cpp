#include "extract/title.hpp"

#include "extract/cellmaps.hpp"
#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "extract/title_tables.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"

#include <cstdio>
#include <iterator>
#include <string_view>

namespace {

constexpr char spr_format[] = "%s.SPR";
constexpr char bbg_format[] = "%s.BBG";
constexpr char sheet_format[] = "DM_%.5s"; // names hold at most five characters
constexpr std::size_t sheet_name_size = 3 + table_name_size;

// The two title pictures, rows of the group's table before the sheets.
constexpr unsigned logo_entry = 0;
constexpr unsigned background_entry = 1;
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

bool load_title_data(picture_job& shared, std::uint8_t* block) {
    return shared.load(title_file, block, title_data_size).has_value();
}

} // namespace

bool dec_spr(picture_run& run, const char* name, const char* group,
             const std::uint8_t* palette_words, std::uint32_t width, transparency mode) {
    std::uint8_t palette[palette_size] = {};
    char file[file_name_size] = {};
    std::snprintf(file, sizeof file, spr_format, name);
    picture_job job(run, group, name);
    job.uses(title_file);
    const heap_block pixels = heap_take(sprite_size);
    if (!pixels) {
        return job.fail(error{error_kind::no_memory, "dec_spr"});
    }
    if (!job.check(dec_ss_pal(palette_words, palette, palette_entries, mode))) {
        return false;
    }
    const std::optional<std::uint32_t> loaded = job.load(file, pixels.get(), sprite_size);
    if (!loaded) {
        return false;
    }
    // An incomplete last row is left out; a file short of one row makes no picture.
    const std::uint32_t height = width != 0 ? *loaded / width : 0;
    return job.write({palette, pixels.get(), width, height, title_bits, false});
}

bool dec_bbg(picture_run& run, const char* name, const std::uint8_t* palette_words,
             transparency mode) {
    std::uint8_t palette[palette_size] = {};
    char file[file_name_size] = {};
    std::snprintf(file, sizeof file, bbg_format, name);
    picture_job job(run, group_title, name);
    job.uses(title_file);
    const heap_block pixels = heap_take(background_size);
    if (!pixels) {
        return job.fail(error{error_kind::no_memory, "dec_bbg"});
    }
    if (!job.check(dec_ss_pal(palette_words, palette, palette_entries, mode)) ||
        !job.load(file, pixels.get(), background_size)) {
        return false;
    }
    return job.check(cutimage(pixels.get(), pixels.get(), background_width, background_height,
                              screen_width, screen_height, 0, 0, title_bits)) &&
           job.write({palette, pixels.get(), screen_width, screen_height, title_bits, false});
}

std::vector<listed_picture> list_title(const disc&) {
    std::vector<listed_picture> out;
    out.push_back(
        {logo_name, group_title, {title_file, std::string(logo_name) + ".SPR"}, logo_entry, 0});
    out.push_back({background_name,
                   group_title,
                   {title_file, std::string(background_name) + ".BBG"},
                   background_entry,
                   0});
    for (unsigned i = 0; i < std::size(dm_sprite_sheets); ++i) {
        const std::string name = name_of_sheet(dm_sprite_sheets[i]).text;
        out.push_back({name, group_sprites, {title_file, name + ".SPR"}, i, 0});
    }
    for (unsigned i = 0; i < std::size(dm_cell_maps); ++i) {
        const cell_map& row = dm_cell_maps[i];
        for (unsigned k = 0; k < counts_pictures(row.counts); ++k) {
            out.push_back(
                {cellmap_picture_name(row, k), group_cellmaps, cellmap_sources(row), i, k});
        }
    }
    return out;
}

bool make_title(group_job& job, const listed_picture& picture) {
    const std::uint8_t* title_data = job.shared(title_data_size, load_title_data);
    if (title_data == nullptr) {
        return false;
    }
    picture_run& run = job.run();
    const std::string_view kind = picture.group;
    if (kind == group_cellmaps && picture.entry < std::size(dm_cell_maps)) {
        dec_cellmap(job, title_data, dm_cell_maps[picture.entry], picture.number);
    } else if (kind == group_sprites && picture.entry < std::size(dm_sprite_sheets)) {
        const sprite_sheet& sheet = dm_sprite_sheets[picture.entry];
        dec_spr(run, picture.name.c_str(), group_sprites, title_data + sheet.palette_offset,
                sheet.width, job.mode());
    } else if (kind == group_title && picture.entry == logo_entry) {
        dec_spr(run, logo_name, group_title, title_data + logo_palette, logo_width, job.mode());
    } else if (kind == group_title && picture.entry == background_entry) {
        dec_bbg(run, background_name, title_data + background_palette, job.mode());
    }
    return true;
}
