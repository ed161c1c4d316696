#include "extract/endings.hpp"

#include "extract/cell_screen.hpp"
#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <cstdio>
#include <string>

namespace {

constexpr char map_format[] = "%s.MAP";
constexpr char part_format[] = "%s%1u.CEL";
constexpr char cel_format[] = "%s.CEL";
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
constexpr cell_screen ending_screen{map_rows,     cells_across,        cells_down, first_row,
                                    ending_depth, depth_rule::exactly, 1};

struct ending_name {
    char text[name_size];
};

ending_name name_of_ending(unsigned n) {
    ending_name name{};
    std::snprintf(name.text, sizeof name.text, ending_format, n);
    return name;
}

} // namespace

bool dec_ending(picture_run& run, const char* name, bool five_parts, transparency mode) {
    std::uint16_t table[map_area_entries] = {};
    char file[file_name_size] = {};
    picture_job job(run, group_endings, name);
    const heap_block block = heap_take(picture_size);
    if (!block) {
        return job.fail(error{error_kind::no_memory, "dec_ending"});
    }
    std::uint8_t* picture_data = block.get();
    char map_file[file_name_size] = {};
    std::snprintf(map_file, sizeof map_file, map_format, name);
    // The cells are read after the table.
    const auto load_cells = [&] {
        if (!five_parts) {
            std::snprintf(file, sizeof file, cel_format, name);
            return job.load(file, picture_data, cell_data_size).has_value();
        }
        // Each part lands directly behind what the parts before it delivered.
        std::uint32_t placed = 0;
        for (unsigned part = 0; part < part_count; ++part) {
            std::snprintf(file, sizeof file, part_format, name, part);
            const std::optional<std::uint32_t> loaded =
                job.load(file, picture_data + placed, part_size);
            if (!loaded) {
                return false;
            }
            placed += *loaded;
        }
        return true;
    };
    const std::optional<std::uint16_t> depth =
        load_cell_screen(job, map_file, table, ending_screen, load_cells);
    return depth &&
           job.check(dec_s8_tile(picture_data, picture_data, table, cell_data_size, cells_across,
                                 cells_down, *depth)) &&
           job.check(dec_ss_hc(picture_data, picture_data, ending_width, ending_height, mode)) &&
           job.write({nullptr, picture_data, ending_width, ending_height, ending_bits,
                      marks_pixels(mode)});
}

std::vector<listed_picture> list_endings(const disc&) {
    std::vector<listed_picture> out;
    for (unsigned n = 1; n <= ending_count; ++n) {
        const std::string name = name_of_ending(n).text;
        std::vector<std::string> sources{name + ".MAP"};
        if (n == single_file_ending) {
            sources.push_back(name + ".CEL");
        }
        for (unsigned part = 0; n != single_file_ending && part < part_count; ++part) {
            sources.push_back(name + std::to_string(part) + ".CEL");
        }
        out.push_back({name, group_endings, std::move(sources), n - 1, 0});
    }
    return out;
}

bool make_ending(group_job& job, const listed_picture& picture) {
    return dec_ending(job.run(), picture.name.c_str(), picture.entry + 1 != single_file_ending,
                      job.mode());
}
