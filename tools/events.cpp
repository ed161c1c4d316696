// Opening and event screens: 352 x 240 pictures of 8-bit cells, all laid out by one pattern
// name table, each with a cell file of its own and a palette block in the palette store.

#include "sample_disc.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sample {
namespace {

constexpr int event_width = 352;
constexpr int event_height = 240;
constexpr int event_columns = event_width / cell_side;
constexpr int event_rows = event_height / cell_side;
constexpr int event_cells = event_columns * event_rows;
constexpr std::size_t event_cell_bytes = std::size_t{cell_side} * cell_side;
constexpr std::size_t event_cel_bytes = event_cells * event_cell_bytes;
constexpr std::size_t event_pixels = std::size_t{event_width} * event_height;

constexpr std::string_view cel_extension = ".CEL";
constexpr std::string_view event_map_name = "EVENT.MAP";
// Every event picture is read through this block of the one table. Out-of-order cells, a
// palette field and a base that must both be taken off before the cells are found.
constexpr map_layout event_map{0,      0,     event_columns,    event_rows,
                               0x3000, 0x100, event_cell_bytes, screen_table_rows};
constexpr std::uint32_t event_shuffle_seed = 0x5EED1001;

constexpr std::string_view palette_store_name = "MP1001.SEQ";
constexpr std::size_t palette_store_bytes = 54528;
// Around the blocks: magenta words, so a block read from the wrong place shows.
constexpr std::uint8_t store_filler[2] = {0x7C, 0x1F};

constexpr int ramp_entries = palette_entries - 2;
constexpr std::uint8_t shadow = shadow_index(palette_entries);
constexpr std::uint8_t letter = letter_index(palette_entries);

// The ramp steps in 4-pixel columns, so cell rows repeat and the cell files pack well.
constexpr int gradient_column = 4;
constexpr int name_scale = 8;
constexpr int name_top = (event_height - glyph_height * name_scale) / 2;
constexpr int shadow_offset = 3;

struct event_sample {
    const char* name;
    std::size_t palette_offset; // of its block in the palette store
    rgb5 tint;
    disc_storage cel;
};

constexpr disc_storage packed_cel(cnx_options options) {
    return {storage_kind::cnx, options};
}

// In the order the extractor makes them. There is no EV_15: EV_16 has the block after EV_14's.
constexpr std::array events{
    event_sample{"OP_ARLE", 24432, {31, 24, 8}, raw_storage},
    event_sample{"EV1001",
                 23344,
                 {8, 24, 31},
                 packed_cel({.lead_skip = -1,
                             .empty_run = false,
                             .literal_runs = true,
                             .far_matches = false,
                             .mid_skip_after = -1,
                             .mid_skip_count = 0,
                             .trailing = 0})},
    event_sample{"EV_01", 24944, {31, 8, 8}, raw_storage},
    event_sample{"EV_02", 25456, {8, 31, 8}, raw_storage},
    event_sample{"EV_03", 25968, {8, 8, 31}, raw_storage},
    event_sample{"EV_04", 26480, {31, 31, 8}, raw_storage},
    event_sample{"EV_05",
                 26992,
                 {31, 8, 31},
                 packed_cel({.lead_skip = 0,
                             .empty_run = false,
                             .literal_runs = false,
                             .far_matches = true,
                             .mid_skip_after = -1,
                             .mid_skip_count = 0,
                             .trailing = 3})},
    event_sample{"EV_06", 27504, {8, 31, 31}, raw_storage},
    event_sample{"EV_07", 28016, {31, 16, 0}, raw_storage},
    event_sample{"EV_08", 28528, {16, 31, 0}, raw_storage},
    event_sample{"EV_09", 29040, {0, 16, 31}, raw_storage},
    event_sample{"EV_10", 29552, {31, 0, 16}, raw_storage},
    event_sample{"EV_11",
                 30064,
                 {16, 0, 31},
                 packed_cel({.lead_skip = 7,
                             .empty_run = true,
                             .literal_runs = true,
                             .far_matches = false,
                             .mid_skip_after = 500,
                             .mid_skip_count = 30,
                             .trailing = 0})},
    event_sample{"EV_12", 30576, {0, 31, 16}, raw_storage},
    event_sample{"EV_13", 31088, {31, 31, 31}, raw_storage},
    event_sample{"EV_14", 31600, {24, 20, 16}, raw_storage},
    event_sample{"EV_16",
                 32112,
                 {20, 24, 31},
                 packed_cel({.lead_skip = -1,
                             .empty_run = true,
                             .literal_runs = false,
                             .far_matches = false,
                             .mid_skip_after = 3,
                             .mid_skip_count = 0,
                             .trailing = 0})},
    event_sample{"EV_17", 32624, {31, 20, 24}, raw_storage},
    event_sample{"EV_18", 33136, {24, 31, 20}, raw_storage},
    event_sample{"EV_19", 33648, {31, 12, 20}, raw_storage},
    event_sample{"EV_20", 34160, {12, 20, 31}, raw_storage},
    event_sample{"EV_21",
                 34672,
                 {20, 31, 12},
                 packed_cel({.lead_skip = -1,
                             .empty_run = false,
                             .literal_runs = true,
                             .far_matches = true,
                             .mid_skip_after = -1,
                             .mid_skip_count = 0,
                             .trailing = 11})},
    event_sample{"EV_22", 35184, {28, 28, 16}, raw_storage},
    event_sample{"EV_23", 35696, {16, 28, 28}, raw_storage},
    event_sample{"EV_24", 36208, {28, 16, 28}, raw_storage},
    event_sample{"EV_25", 36720, {31, 24, 24}, raw_storage},
    event_sample{"EV_26", 37232, {24, 24, 31}, raw_storage},
    event_sample{"EV_27",
                 37744,
                 {24, 31, 24},
                 packed_cel({.lead_skip = 1,
                             .empty_run = false,
                             .literal_runs = false,
                             .far_matches = false,
                             .mid_skip_after = 50,
                             .mid_skip_count = 200,
                             .trailing = 0})},
};

// The store itself is packed: it is mostly filler.
constexpr disc_storage palette_store_storage{storage_kind::cnx,
                                             {.lead_skip = -1,
                                              .empty_run = false,
                                              .literal_runs = true,
                                              .far_matches = true,
                                              .mid_skip_after = 20,
                                              .mid_skip_count = 4,
                                              .trailing = 0}};

// A diagonal ramp of indices, a white frame, and the name in white with a black shadow.
bool draw_event(std::string_view name, byte_canvas canvas) {
    constexpr int ramp_columns = event_width / gradient_column;
    constexpr int ramp_span = (ramp_columns - 1) * 2 + event_height - 1;
    for (int y = 0; y < event_height; ++y) {
        for (int x = 0; x < event_width; ++x) {
            const int position = x / gradient_column * 2 + y;
            byte_at(canvas, x, y) =
                static_cast<std::uint8_t>(position * (ramp_entries - 1) / ramp_span);
        }
    }
    fill_box(canvas, 0, 0, event_width, 1, letter);
    fill_box(canvas, 0, event_height - 1, event_width, 1, letter);
    fill_box(canvas, 0, 0, 1, event_height, letter);
    fill_box(canvas, event_width - 1, 0, 1, event_height, letter);

    return draw_shadowed_text(canvas, name_top, name_scale, name, letter, shadow, shadow_offset);
}

bool write_palette_store(sample_run& run, std::vector<std::uint8_t>& store) {
    std::vector<palette_block> blocks;
    for (const event_sample& event : events) {
        blocks.push_back({event.name, event.palette_offset, event.tint, palette_entries});
    }
    store.assign(palette_store_bytes, 0);
    return lay_palettes(blocks, store_filler, store) &&
           write_disc_file(run, palette_store_name, store, palette_store_storage,
                           palette_store_bytes);
}

bool write_event(sample_run& run, const event_sample& event, std::span<const int> cell_order,
                 std::span<const std::uint8_t> store) {
    std::vector<std::uint8_t> pixels(event_pixels);
    const byte_canvas canvas{pixels, event_width, event_height};
    if (!draw_event(event.name, canvas)) {
        return false;
    }
    const std::vector<std::uint8_t> cells = cut_cells(canvas, cell_order);
    const std::string cel_name = std::string{event.name} + std::string{cel_extension};
    if (!write_disc_file(run, cel_name, cells, event.cel, event_cel_bytes)) {
        return false;
    }

    const std::vector<bgr_colour> palette =
        read_palette(store, event.palette_offset, palette_entries);
    const bmp_picture picture{event_width, event_height, indexed_bits, pixels, palette};
    if (!write_expected_bmp(run, output_name(cel_name), picture)) {
        return false;
    }
    const std::string sources[] = {std::string{palette_store_name}, std::string{event_map_name},
                                   cel_name};
    append_done_line(run, output_name(cel_name), events_group, sources);
    return true;
}

} // namespace

bool write_events(sample_run& run) {
    const std::vector<int> cell_order = shuffled_cells(event_cells, event_shuffle_seed);
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> store;
    if (!build_map(event_map, cell_order, table) ||
        !write_disc_file(run, event_map_name, table, raw_storage, map_bytes) ||
        !write_palette_store(run, store)) {
        return false;
    }
    for (const event_sample& event : events) {
        if (!write_event(run, event, cell_order, store)) {
            return false;
        }
    }
    return true;
}

} // namespace sample
