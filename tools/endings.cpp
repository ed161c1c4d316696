// Ending screens: 176 x 240 pictures of 16-bit cells, each with its own pattern name table and
// its cell data in five part files (or, for one of them, a single file).

#include "sample_disc.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sample {
namespace {

constexpr int ending_width = 176;
constexpr int ending_height = 240;
constexpr int ending_columns = ending_width / cell_side;
constexpr int ending_rows = ending_height / cell_side;
constexpr int ending_cells = ending_columns * ending_rows;
constexpr std::size_t ending_cell_bytes = std::size_t{cell_side} * cell_side * 2;
constexpr std::size_t ending_cel_bytes = ending_cells * ending_cell_bytes;
constexpr std::size_t ending_pixels = std::size_t{ending_width} * ending_height;
constexpr int ending_parts = 5;
constexpr std::size_t ending_part_bytes = ending_cel_bytes / ending_parts;
static_assert(ending_part_bytes * ending_parts == ending_cel_bytes);

// The picture starts one row down the table; row 0 never shows.
constexpr int ending_map_left = 0;
constexpr int ending_map_top = 1;

constexpr std::string_view map_extension = ".MAP";
constexpr std::string_view cel_extension = ".CEL";

// The top bit is set on alternate 16-pixel squares. The conversion ignores it; an extractor
// that honours it shows a checkerboard.
constexpr int checker_side = 16;
constexpr ink_style white_ink{0, colour_bits};
constexpr ink_style black_ink{0, 0};
constexpr std::uint16_t word_white = colour_bits;
constexpr int name_scale = 5;
constexpr int name_top = 48;
constexpr int shadow_offset = 2;
constexpr int ramp_top = 176;
constexpr int ramp_step_width = 4;
constexpr int ramp_height = 8;
constexpr int no_packed_cel = -1;

struct ending_sample {
    const char* name;
    corner_gradient gradient;
    std::uint16_t palette_bits; // the same in every entry of its table
    std::uint16_t base;         // character number of its cell 0
    std::uint32_t seed;         // of its cell order
    bool one_cel_file;          // all cells in NAME.CEL rather than NAME0.CEL .. NAME4.CEL
    disc_storage map;
    int packed_cel; // which cell file is stored packed; no_packed_cel for none
    cnx_options cel_cnx;
};

constexpr std::array endings{
    ending_sample{"ED_01",
                  {{31, 10, 4}, {31, 26, 4}, {12, 4, 20}, {28, 12, 28}},
                  0x5000,
                  0x040,
                  0xED010001,
                  false,
                  raw_storage,
                  no_packed_cel,
                  unpacked},
    ending_sample{"ED_02",
                  {{4, 20, 31}, {4, 31, 20}, {20, 4, 31}, {4, 10, 16}},
                  0x2000,
                  0x104,
                  0xED020002,
                  false,
                  raw_storage,
                  2,
                  {.lead_skip = -1,
                   .empty_run = false,
                   .literal_runs = true,
                   .far_matches = false,
                   .mid_skip_after = 10,
                   .mid_skip_count = 1,
                   .trailing = 0}},
    ending_sample{"ED_03",
                  {{20, 31, 4}, {31, 31, 10}, {4, 16, 4}, {10, 28, 20}},
                  0xF000,
                  0x2A0,
                  0xED030003,
                  false,
                  raw_storage,
                  no_packed_cel,
                  unpacked},
    ending_sample{"ED_04",
                  {{31, 4, 16}, {16, 4, 31}, {31, 16, 4}, {8, 8, 8}},
                  0x1000,
                  0x010,
                  0xED040004,
                  false,
                  raw_storage,
                  no_packed_cel,
                  unpacked},
    // The one ending whose cells come in a single file.
    ending_sample{"ED_05",
                  {{10, 10, 31}, {31, 31, 31}, {4, 4, 12}, {20, 20, 31}},
                  0x8000,
                  0x5A0,
                  0xED050005,
                  true,
                  raw_storage,
                  0,
                  {.lead_skip = 3,
                   .empty_run = true,
                   .literal_runs = false,
                   .far_matches = true,
                   .mid_skip_after = -1,
                   .mid_skip_count = 0,
                   .trailing = 2}},
    ending_sample{"ED_06",
                  {{31, 20, 20}, {20, 31, 31}, {31, 31, 20}, {20, 20, 31}},
                  0xA000,
                  0x1C8,
                  0xED060006,
                  false,
                  raw_storage,
                  no_packed_cel,
                  unpacked},
    ending_sample{"ED_07",
                  {{4, 31, 31}, {31, 4, 31}, {31, 31, 4}, {4, 4, 4}},
                  0x4000,
                  0x334,
                  0xED070007,
                  false,
                  {storage_kind::cnx,
                   {.lead_skip = -1,
                    .empty_run = false,
                    .literal_runs = true,
                    .far_matches = false,
                    .mid_skip_after = -1,
                    .mid_skip_count = 0,
                    .trailing = 0}},
                  no_packed_cel,
                  unpacked},
    ending_sample{"ED_08",
                  {{16, 8, 4}, {31, 20, 8}, {8, 4, 2}, {24, 16, 8}},
                  0xC000,
                  0x08C,
                  0xED080008,
                  false,
                  raw_storage,
                  no_packed_cel,
                  unpacked},
    // The last part packed: its stream ends exactly at the end of the cell data.
    ending_sample{"ED_09",
                  {{2, 12, 8}, {6, 31, 20}, {8, 20, 31}, {31, 31, 16}},
                  0x7000,
                  0x400,
                  0xED090009,
                  false,
                  raw_storage,
                  4,
                  {.lead_skip = 0,
                   .empty_run = false,
                   .literal_runs = true,
                   .far_matches = true,
                   .mid_skip_after = 64,
                   .mid_skip_count = 17,
                   .trailing = 0}},
};

// The gradient, a white frame, the name in white with a black shadow, ramps of every level
// of each channel, and the top bit in a checkerboard over all of it.
bool draw_ending(const ending_sample& ending, word_canvas canvas) {
    for (int y = 0; y < ending_height; ++y) {
        for (int x = 0; x < ending_width; ++x) {
            word_at(canvas, x, y) =
                colour_word(gradient_at(ending.gradient, x, y, ending_width, ending_height));
        }
    }
    fill_box(canvas, 0, 0, ending_width, 1, word_white);
    fill_box(canvas, 0, ending_height - 1, ending_width, 1, word_white);
    fill_box(canvas, 0, 0, 1, ending_height, word_white);
    fill_box(canvas, ending_width - 1, 0, 1, ending_height, word_white);
    if (!draw_shadowed_text(canvas, name_top, name_scale, ending.name, white_ink, black_ink,
                            shadow_offset)) {
        return false;
    }
    draw_channel_ramps(canvas, ramp_top, ramp_step_width, ramp_height, 0);
    for (int y = 0; y < ending_height; ++y) {
        for (int x = 0; x < ending_width; ++x) {
            if ((x / checker_side + y / checker_side) % 2 == 0) {
                word_at(canvas, x, y) |= top_bit;
            }
        }
    }
    return true;
}

// NAME0.CEL .. NAME4.CEL, or NAME.CEL for the ending kept in one file.
std::vector<std::string> cel_file_names(const ending_sample& ending) {
    if (ending.one_cel_file) {
        return {std::string{ending.name} + std::string{cel_extension}};
    }
    std::vector<std::string> names;
    for (int part = 0; part < ending_parts; ++part) {
        names.push_back(std::string{ending.name} + std::to_string(part) +
                        std::string{cel_extension});
    }
    return names;
}

bool write_cel_files(sample_run& run, const ending_sample& ending,
                     std::span<const std::string> names, std::span<const std::uint8_t> cells) {
    const std::size_t file_bytes = cells.size() / names.size();
    for (std::size_t file = 0; file < names.size(); ++file) {
        const disc_storage storage = static_cast<int>(file) == ending.packed_cel
                                         ? disc_storage{storage_kind::cnx, ending.cel_cnx}
                                         : raw_storage;
        if (!write_disc_file(run, names[file], cells.subspan(file * file_bytes, file_bytes),
                             storage, file_bytes)) {
            return false;
        }
    }
    return true;
}

bool write_ending(sample_run& run, const ending_sample& ending) {
    std::vector<std::uint16_t> words(ending_pixels);
    const word_canvas canvas{words, ending_width, ending_height};
    if (!draw_ending(ending, canvas)) {
        return false;
    }

    const std::vector<int> cell_order = shuffled_cells(ending_cells, ending.seed);
    const map_layout layout{ending_map_left,   ending_map_top,      ending_columns,
                            ending_rows,       ending.palette_bits, ending.base,
                            ending_cell_bytes, screen_table_rows};
    std::vector<std::uint8_t> table;
    std::vector<std::string> sources{std::string{ending.name} + std::string{map_extension}};
    const std::vector<std::string> cel_names = cel_file_names(ending);
    sources.insert(sources.end(), cel_names.begin(), cel_names.end());
    if (!build_map(layout, cell_order, table) ||
        !write_disc_file(run, sources.front(), table, ending.map, map_bytes) ||
        !write_cel_files(run, ending, cel_names, cut_cells(canvas, cell_order))) {
        return false;
    }

    std::vector<std::uint8_t> pixels;
    pixels.reserve(ending_pixels * 3);
    for (const std::uint16_t word : words) {
        push_pixel(pixels, plain_colour(word));
    }
    const std::string bmp_name = output_name(ending.name);
    const bmp_picture picture{ending_width, ending_height, true_colour_bits, pixels, {}};
    if (!write_expected_bmp(run, bmp_name, picture)) {
        return false;
    }
    append_done_line(run, bmp_name, endings_group, sources);
    return true;
}

} // namespace

bool write_endings(sample_run& run) {
    for (const ending_sample& ending : endings) {
        if (!write_ending(run, ending)) {
            return false;
        }
    }
    return true;
}

} // namespace sample
