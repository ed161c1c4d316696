// Title group: TITLE.SEQ with the palettes of everything after the endings, the title logo
// and background, and the sprite sheets. Sprites are headerless rows of 8-bit indices whose
// height is whatever the file holds in whole rows.

#include "sample_disc.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sample {
namespace {

constexpr std::size_t title_seq_bytes = 42592;
// Around the blocks: green words, so a block read from the wrong place shows.
constexpr std::uint8_t title_seq_filler[2] = {0x03, 0xE0};
constexpr std::size_t sprite_capacity = 61440;

// Never shown: a black and white checkerboard of this many pixels a square, so it stands out
// against any ramp if an extractor lets it through.
constexpr int glaring_square = 4;

std::uint8_t glaring_index(int x, int y) {
    return (x / glaring_square + y / glaring_square) % 2 == 0 ? letter_index(palette_entries)
                                                              : shadow_index(palette_entries);
}

struct sprite_sample {
    const char* disc_name;
    const char* label;
    int width;
    int height;           // whole rows in the file
    std::size_t leftover; // bytes of an incomplete last row, never shown
    std::size_t palette_offset;
    rgb5 tint;
};

// Exactly as long as the extractor reads: 207 whole rows and 168 bytes that are not a row.
constexpr sprite_sample title_logo{"TITLELOG.SPR", "TITLELOG", 296, 207, 168, 16816, {31, 20, 4}};
static_assert(title_logo.width * title_logo.height + title_logo.leftover == sprite_capacity);

constexpr std::string_view title_bg_name = "TITLEBG.BBG";
constexpr std::string_view title_bg_label = "TITLEBG";
constexpr int bg_stored_width = 512;
constexpr int bg_stored_height = 256;
constexpr int bg_shown_width = 352;
constexpr int bg_shown_height = 240;
constexpr std::size_t bg_bytes = std::size_t{bg_stored_width} * bg_stored_height;
constexpr std::size_t bg_palette_offset = 17328;
constexpr rgb5 bg_tint{4, 16, 31};

// In the order the extractor makes them. Sheets sharing a palette block share its tint.
constexpr auto sprites = std::to_array<sprite_sample>({
    {"DM_RULU.SPR", "RULU", 128, 200, 0, 21968, {31, 8, 12}},
    {"DM_LAGNS.SPR", "LAGNS", 112, 150, 50, 22992, {8, 31, 12}},
    {"DM_SHEZ.SPR", "SHEZ", 168, 240, 0, 26576, {12, 8, 31}},
    {"DM_WITC.SPR", "WITC", 184, 180, 0, 27600, {31, 31, 4}},
    {"DM_DRAC.SPR", "DRAC", 232, 256, 0, 28112, {28, 4, 28}},
    {"DM_TARA.SPR", "TARA", 184, 96, 100, 28112, {28, 4, 28}},
    {"DM_MOMO.SPR", "MOMO", 120, 320, 0, 31696, {4, 28, 28}},
    {"DM_MOME1.SPR", "MOME1", 256, 240, 0, 32208, {31, 16, 24}},
    {"DM_MOME2.SPR", "MOME2", 256, 64, 0, 32208, {31, 16, 24}},
    {"DM_SATA.SPR", "SATA", 136, 160, 0, 33232, {20, 31, 20}},
    {"DM_CARB.SPR", "CARB", 104, 72, 3, 35792, {24, 20, 31}},
    {"DM_ARLE2.SPR", "ARLE2", 88, 128, 0, 36816, {31, 24, 16}},
    {"DM_RULU2.SPR", "RULU2", 128, 48, 0, 37328, {16, 24, 8}},
});

// TITLE.SEQ is mostly filler. TARA ends in an incomplete row inside the packed data; MOME1
// unpacks to exactly what the extractor reads.
constexpr std::array packed_files{
    packed_file{title_seq_name,
                {.lead_skip = 4,
                 .empty_run = false,
                 .literal_runs = true,
                 .far_matches = false,
                 .mid_skip_after = 30,
                 .mid_skip_count = 2,
                 .trailing = 0}},
    packed_file{"DM_SHEZ.SPR",
                {.lead_skip = -1,
                 .empty_run = true,
                 .literal_runs = true,
                 .far_matches = false,
                 .mid_skip_after = 12,
                 .mid_skip_count = 6,
                 .trailing = 0}},
    packed_file{"DM_TARA.SPR",
                {.lead_skip = 0,
                 .empty_run = false,
                 .literal_runs = false,
                 .far_matches = true,
                 .mid_skip_after = -1,
                 .mid_skip_count = 0,
                 .trailing = 6}},
    packed_file{"DM_MOME1.SPR",
                {.lead_skip = -1,
                 .empty_run = false,
                 .literal_runs = true,
                 .far_matches = true,
                 .mid_skip_after = -1,
                 .mid_skip_count = 0,
                 .trailing = 0}},
    packed_file{"DM_ARLE2.SPR",
                {.lead_skip = 2,
                 .empty_run = true,
                 .literal_runs = false,
                 .far_matches = false,
                 .mid_skip_after = 200,
                 .mid_skip_count = 255,
                 .trailing = 1}},
};

std::vector<palette_block> title_seq_palettes() {
    std::vector<palette_block> blocks{
        {title_logo.label, title_logo.palette_offset, title_logo.tint, palette_entries},
        {title_bg_label, bg_palette_offset, bg_tint, palette_entries},
    };
    for (const sprite_sample& sprite : sprites) {
        blocks.push_back({sprite.label, sprite.palette_offset, sprite.tint, palette_entries});
    }
    const std::vector<palette_block> cell_maps = cell_map_palettes();
    blocks.insert(blocks.end(), cell_maps.begin(), cell_maps.end());
    return blocks;
}

bool write_expected_indexed(sample_run& run, std::string_view disc_name, int width, int height,
                            std::span<const std::uint8_t> pixels,
                            std::span<const std::uint8_t> title_seq, std::size_t palette_offset) {
    const std::string name = output_name(disc_name);
    const std::vector<bgr_colour> palette =
        read_palette(title_seq, palette_offset, palette_entries);
    const bmp_picture picture{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                              indexed_bits, pixels, palette};
    if (!write_expected_bmp(run, name, picture)) {
        return false;
    }
    const std::string sources[] = {std::string{title_seq_name}, std::string{disc_name}};
    append_done_line(run, name, title_group, sources);
    return true;
}

bool write_sprite(sample_run& run, const sprite_sample& sprite,
                  std::span<const std::uint8_t> title_seq) {
    if (sprite.leftover >= static_cast<std::size_t>(sprite.width)) {
        return fail(sprite.disc_name, "leftover bytes would make another row");
    }
    const std::size_t shown = static_cast<std::size_t>(sprite.width) * sprite.height;
    std::vector<std::uint8_t> file(shown);
    if (!draw_labelled({file, sprite.width, sprite.height}, sprite.label, palette_entries)) {
        return false;
    }
    for (std::size_t n = 0; n < sprite.leftover; ++n) {
        file.push_back(glaring_index(static_cast<int>(n), sprite.height));
    }
    if (!write_whole_disc_file(run, sprite.disc_name, file,
                               storage_for(packed_files, sprite.disc_name), sprite_capacity)) {
        return false;
    }
    return write_expected_indexed(run, sprite.disc_name, sprite.width, sprite.height,
                                  std::span{file}.first(shown), title_seq, sprite.palette_offset);
}

// Only the top-left corner shows; the rest of the stored picture is glaring.
bool write_title_bg(sample_run& run, std::span<const std::uint8_t> title_seq) {
    std::vector<std::uint8_t> shown(std::size_t{bg_shown_width} * bg_shown_height);
    const byte_canvas canvas{shown, bg_shown_width, bg_shown_height};
    if (!draw_labelled(canvas, title_bg_label, palette_entries)) {
        return false;
    }
    std::vector<std::uint8_t> stored(bg_bytes);
    const byte_canvas whole{stored, bg_stored_width, bg_stored_height};
    for (int y = 0; y < bg_stored_height; ++y) {
        for (int x = 0; x < bg_stored_width; ++x) {
            const bool inside = x < bg_shown_width && y < bg_shown_height;
            byte_at(whole, x, y) = inside ? byte_at(canvas, x, y) : glaring_index(x, y);
        }
    }
    if (!write_whole_disc_file(run, title_bg_name, stored, storage_for(packed_files, title_bg_name),
                               bg_bytes)) {
        return false;
    }
    return write_expected_indexed(run, title_bg_name, bg_shown_width, bg_shown_height, shown,
                                  title_seq, bg_palette_offset);
}

} // namespace

bool write_title_group(sample_run& run, std::vector<std::uint8_t>& title_seq) {
    title_seq.assign(title_seq_bytes, 0);
    if (!lay_palettes(title_seq_palettes(), title_seq_filler, title_seq) ||
        !write_whole_disc_file(run, title_seq_name, title_seq,
                               storage_for(packed_files, title_seq_name), title_seq_bytes) ||
        !write_sprite(run, title_logo, title_seq) || !write_title_bg(run, title_seq)) {
        return false;
    }
    for (const sprite_sample& sprite : sprites) {
        if (!write_sprite(run, sprite, title_seq)) {
            return false;
        }
    }
    return check_packed_written(run, packed_files);
}

} // namespace sample
