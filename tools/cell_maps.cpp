// Cell-map pictures: each has a 64 x 64 pattern name table of its own, read whole, and its
// cells in one file or in parts that join into one block. Palettes come from TITLE.SEQ.
//
// Identical cells are stored once and named from every position that shows them: the largest
// pictures have more cells than the character number field can count at 8 bits.

#include "sample_disc.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <numeric>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sample {
namespace {

constexpr std::string_view disc_prefix = "DM_";
constexpr std::string_view map_extension = ".MAP";
constexpr std::string_view cel_extension = ".CEL";
constexpr std::string_view bmp_extension = ".BMP";

constexpr std::size_t cel_capacity = 262144;
constexpr int max_parts = 4;

struct cell_map_sample {
    const char* map_name;
    const char* cel_name;
    int columns; // in cells
    int rows;
    std::size_t palette_offset; // of picture 0; each further picture takes the next block
    int parts;                  // 0 for a single cell file
    int pictures;
    std::uint16_t bits; // of the cells and the picture
    std::uint16_t palette_bits;
    std::uint16_t base;
    rgb5 tint;                              // of picture 0; further pictures turn it
    std::array<int, max_parts> part_shares; // relative lengths of the parts
};

constexpr std::array<int, max_parts> even_parts{1, 1, 1, 1};

// In the order the extractor makes them. CARB2 and CARB3 share a palette block, so a tint.
// ARLC, TARC and MOMC come in parts of unequal length, with cells running across the joins;
// YOGB1 has 4096 positions, which only shared cells keep inside the character number field.
constexpr auto cell_maps = std::to_array<cell_map_sample>({
    {"ARLB1", "ARLC", 44, 30, 19920, 4, 1, 8, 0x2000, 0x0A2, {31, 12, 8}, {5, 1, 3, 2}},
    {"ARLE", "ARLE", 14, 28, 20944, 0, 1, 4, 0x9000, 0x0B3, {8, 20, 31}, even_parts},
    {"RULB1", "RULB1", 44, 30, 21456, 0, 1, 8, 0x4000, 0x100, {31, 28, 8}, even_parts},
    {"MINO", "MINO", 44, 30, 22480, 0, 1, 8, 0x1000, 0x03E, {12, 31, 20}, even_parts},
    {"LAGNL", "LAGNL", 26, 27, 23504, 0, 1, 4, 0xC000, 0x201, {31, 8, 24}, even_parts},
    {"LAGB1", "LAGB1", 44, 30, 24016, 0, 1, 8, 0x7000, 0x0F0, {20, 12, 31}, even_parts},
    {"SHEE1", "SHEE1", 44, 30, 24528, 0, 4, 4, 0x3000, 0x011, {31, 16, 4}, even_parts},
    {"SHEB1", "SHEB1", 44, 30, 27088, 0, 1, 8, 0x5000, 0x2C4, {4, 31, 31}, even_parts},
    {"WITB1", "WITB1", 44, 30, 28624, 0, 1, 8, 0xE000, 0x008, {24, 31, 4}, even_parts},
    {"TARB1", "TARC", 44, 30, 29136, 3, 2, 8, 0x6000, 0x15A, {31, 4, 4}, {1, 2, 4, 0}},
    {"HARP", "HARP", 44, 30, 30160, 0, 1, 8, 0xA000, 0x062, {16, 31, 16}, even_parts},
    {"HARB1", "HARB1", 64, 30, 30672, 0, 1, 4, 0x8000, 0x07F, {28, 20, 31}, even_parts},
    {"HARB2", "HA2C", 64, 30, 31184, 4, 1, 8, 0xB000, 0x0C0, {31, 24, 20}, even_parts},
    {"MOMB1", "MOMC", 44, 30, 32720, 4, 1, 8, 0xD000, 0x1A0, {8, 8, 31}, {2, 3, 2, 3}},
    {"SATB1", "SATB1", 44, 30, 33744, 0, 1, 8, 0x1000, 0x300, {31, 31, 20}, even_parts},
    {"SATB2", "SA2C", 64, 32, 34256, 4, 1, 8, 0xF000, 0x024, {20, 31, 28}, even_parts},
    {"YOGU", "YOGU", 44, 30, 34768, 0, 1, 8, 0x2000, 0x0AA, {31, 20, 12}, even_parts},
    {"YOGB1", "YOGC", 64, 64, 35280, 4, 1, 8, 0x4000, 0x010, {12, 24, 31}, {3, 1, 1, 1}},
    {"CARB2", "CARB2", 64, 30, 36304, 0, 1, 8, 0x9000, 0x046, {24, 16, 31}, even_parts},
    {"CARB3", "CARB3", 64, 30, 36304, 0, 1, 8, 0x5000, 0x0E8, {24, 16, 31}, even_parts},
    {"ARCB1", "ARCB1", 44, 64, 37840, 0, 1, 4, 0x6000, 0x0C9, {31, 4, 20}, even_parts},
    {"ARCB2", "ARCB2", 44, 30, 38352, 0, 1, 8, 0xC000, 0x1F6, {4, 24, 12}, even_parts},
});

// A map, whole cell files of both depths, and a part that starts partway through a cell.
constexpr std::array packed_files{
    packed_file{"DM_HARP.MAP",
                {.lead_skip = -1,
                 .empty_run = false,
                 .literal_runs = false,
                 .far_matches = false,
                 .mid_skip_after = 40,
                 .mid_skip_count = 1,
                 .trailing = 0}},
    packed_file{"DM_LAGNL.CEL",
                {.lead_skip = -1,
                 .empty_run = false,
                 .literal_runs = true,
                 .far_matches = false,
                 .mid_skip_after = 8,
                 .mid_skip_count = 3,
                 .trailing = 0}},
    packed_file{"DM_CARB3.CEL",
                {.lead_skip = 1,
                 .empty_run = false,
                 .literal_runs = false,
                 .far_matches = true,
                 .mid_skip_after = 100,
                 .mid_skip_count = 12,
                 .trailing = 0}},
    packed_file{"DM_TARC2.CEL",
                {.lead_skip = 0,
                 .empty_run = true,
                 .literal_runs = true,
                 .far_matches = true,
                 .mid_skip_after = -1,
                 .mid_skip_count = 0,
                 .trailing = 4}},
};

constexpr std::uint32_t shuffle_seed = 0xCE11A000;

std::size_t used_entries(const cell_map_sample& sample) {
    return std::size_t{1} << sample.bits;
}

std::size_t cell_bytes(const cell_map_sample& sample) {
    return std::size_t{cell_side} * cell_side * sample.bits / 8;
}

// Picture k of a row: its channels turned k times, and past three turns mirrored, so every
// block of the row looks different.
constexpr int channel_turns = 3;
constexpr std::uint8_t channel_top = 31;

rgb5 picture_tint(rgb5 tint, int picture) {
    for (int turn = 0; turn < picture % channel_turns; ++turn) {
        tint = {tint.green, tint.blue, tint.red};
    }
    if (picture >= channel_turns) {
        tint = {static_cast<std::uint8_t>(channel_top - tint.red),
                static_cast<std::uint8_t>(channel_top - tint.green),
                static_cast<std::uint8_t>(channel_top - tint.blue)};
    }
    return tint;
}

std::size_t picture_palette_offset(const cell_map_sample& sample, int picture) {
    return sample.palette_offset + static_cast<std::size_t>(picture) * palette_block_bytes;
}

std::string picture_name(const cell_map_sample& sample, int picture) {
    std::string name = std::string{disc_prefix} + sample.map_name;
    if (sample.pictures > 1) {
        name += '_' + std::to_string(picture);
    }
    return name + std::string{bmp_extension};
}

// Distinct cells in a shuffled order, and for every position the number of its cell.
struct cell_set {
    std::vector<int> position_cells;
    std::vector<std::uint8_t> data;
};

cell_set share_cells(byte_canvas picture, std::uint16_t bits, std::uint32_t seed) {
    constexpr std::size_t pixels_per_cell = std::size_t{cell_side} * cell_side;
    const int positions = (picture.width / cell_side) * (picture.height / cell_side);
    std::vector<int> in_place(static_cast<std::size_t>(positions));
    std::iota(in_place.begin(), in_place.end(), 0);
    const std::vector<std::uint8_t> all = cut_cells(picture, in_place);

    // Keyed by the cell's bytes as a string: the same order, and no optimiser warnings.
    std::map<std::string, int> seen;
    std::vector<int> first_position; // of each distinct cell, in order of appearance
    std::vector<int> distinct(static_cast<std::size_t>(positions));
    for (int p = 0; p < positions; ++p) {
        const auto begin = all.begin() + static_cast<std::ptrdiff_t>(p * pixels_per_cell);
        std::string cell(begin, begin + static_cast<std::ptrdiff_t>(pixels_per_cell));
        const auto [at, added] =
            seen.emplace(std::move(cell), static_cast<int>(first_position.size()));
        if (added) {
            first_position.push_back(p);
        }
        distinct[static_cast<std::size_t>(p)] = at->second;
    }

    const std::vector<int> order = shuffled_cells(static_cast<int>(first_position.size()), seed);
    std::vector<int> number(order.size());
    std::vector<int> stored_positions(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto d = static_cast<std::size_t>(order[k]);
        number[d] = static_cast<int>(k);
        stored_positions[k] = first_position[d];
    }
    cell_set set;
    for (const int d : distinct) {
        set.position_cells.push_back(number[static_cast<std::size_t>(d)]);
    }
    set.data = cut_cells(picture, stored_positions);
    if (bits == nibble_bits) {
        set.data = pack_nibbles(set.data);
    }
    return set;
}

// DM_NAME.CEL, or its parts DM_NAME1.CEL onwards.
std::vector<std::string> cel_file_names(const cell_map_sample& sample) {
    const std::string stem = std::string{disc_prefix} + sample.cel_name;
    if (sample.parts == 0) {
        return {stem + std::string{cel_extension}};
    }
    std::vector<std::string> names;
    for (int part = 1; part <= sample.parts; ++part) {
        names.push_back(stem + std::to_string(part) + std::string{cel_extension});
    }
    return names;
}

bool write_cel_files(sample_run& run, const cell_map_sample& sample,
                     std::span<const std::string> names, std::span<const std::uint8_t> cells) {
    if (sample.parts == 0) {
        return write_whole_disc_file(run, names.front(), cells,
                                     storage_for(packed_files, names.front()), cel_capacity);
    }
    if (sample.parts > max_parts) {
        return fail(sample.cel_name, "more parts than shares");
    }
    // Each part is read with its share of the whole capacity, rounded down.
    const std::size_t part_capacity = cel_capacity / static_cast<std::size_t>(sample.parts);
    const auto shares = std::span{sample.part_shares}.first(static_cast<std::size_t>(sample.parts));
    const auto total_shares =
        static_cast<std::size_t>(std::accumulate(shares.begin(), shares.end(), 0));
    std::size_t begin = 0;
    std::size_t shares_before = 0;
    for (std::size_t part = 0; part < names.size(); ++part) {
        shares_before += static_cast<std::size_t>(shares[part]);
        const std::size_t end = cells.size() * shares_before / total_shares;
        if (end == begin) {
            return fail(names[part], "empty part");
        }
        if (!write_whole_disc_file(run, names[part], cells.subspan(begin, end - begin),
                                   storage_for(packed_files, names[part]), part_capacity)) {
            return false;
        }
        begin = end;
    }
    return true;
}

bool write_cell_map(sample_run& run, const cell_map_sample& sample,
                    std::span<const std::uint8_t> title_seq, std::uint32_t seed) {
    const int width = sample.columns * cell_side;
    const int height = sample.rows * cell_side;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    const byte_canvas canvas{pixels, width, height};
    if (!draw_labelled(canvas, sample.map_name, used_entries(sample))) {
        return false;
    }

    const cell_set cells = share_cells(canvas, sample.bits, seed);
    const map_layout layout{0,
                            0,
                            sample.columns,
                            sample.rows,
                            sample.palette_bits,
                            sample.base,
                            cell_bytes(sample),
                            map_rows};
    std::vector<std::uint8_t> table;
    const std::string map_name =
        std::string{disc_prefix} + sample.map_name + std::string{map_extension};
    const std::vector<std::string> cel_names = cel_file_names(sample);
    std::vector<std::string> sources{std::string{title_seq_name}, map_name};
    sources.insert(sources.end(), cel_names.begin(), cel_names.end());
    if (!build_shared_map(layout, cells.position_cells, table) ||
        !write_whole_disc_file(run, map_name, table, storage_for(packed_files, map_name),
                               map_bytes) ||
        !write_cel_files(run, sample, cel_names, cells.data)) {
        return false;
    }

    for (int picture = 0; picture < sample.pictures; ++picture) {
        const std::vector<bgr_colour> palette =
            read_palette(title_seq, picture_palette_offset(sample, picture), used_entries(sample));
        const bmp_picture bmp{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                              sample.bits, pixels, palette};
        const std::string name = picture_name(sample, picture);
        if (!write_expected_bmp(run, name, bmp)) {
            return false;
        }
        append_done_line(run, name, title_group, sources);
    }
    return true;
}

} // namespace

std::vector<palette_block> cell_map_palettes() {
    std::vector<palette_block> blocks;
    for (const cell_map_sample& sample : cell_maps) {
        for (int picture = 0; picture < sample.pictures; ++picture) {
            blocks.push_back({sample.map_name, picture_palette_offset(sample, picture),
                              picture_tint(sample.tint, picture), used_entries(sample)});
        }
    }
    return blocks;
}

bool write_cell_maps(sample_run& run, std::span<const std::uint8_t> title_seq) {
    std::uint32_t seed = shuffle_seed;
    for (const cell_map_sample& sample : cell_maps) {
        if (!write_cell_map(run, sample, title_seq, seed++)) {
            return false;
        }
    }
    return check_packed_written(run, packed_files);
}

} // namespace sample
