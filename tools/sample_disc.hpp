// What the picture groups of the sample disc share: writing disc files, expected pictures and
// console lines, colour words, drawing, and cutting pictures into cells named by a pattern
// name table.
#pragma once

#include "bmp_write.hpp"
#include "cnx_pack.hpp"
#include "glyphs.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sample {

// ---------------------------------------------------------------------------------------------
// The run and its files.

enum class storage_kind { raw, cnx };

struct disc_storage {
    storage_kind kind;
    cnx_options cnx; // only for storage_kind::cnx
};

constexpr cnx_options unpacked{};
constexpr disc_storage raw_storage{storage_kind::raw, unpacked};

// A disc file stored packed, named in a table of its own so the picture tables stay short.
struct packed_file {
    std::string_view name;
    cnx_options cnx;
};

struct sample_run {
    std::filesystem::path disc_dir;
    std::filesystem::path expected_dir;
    std::string transcript;
    cnx_stats cnx_totals;
    std::vector<std::string> packed_names; // disc files written packed
    std::string manifest;                  // a line per picture: what it is made from
};

// The picture groups in the manifest, named as the extractor runs them; the cell maps are
// part of the title group.
constexpr std::string_view portraits_group = "portraits";
constexpr std::string_view events_group = "events";
constexpr std::string_view endings_group = "endings";
constexpr std::string_view title_group = "title";

// Holds the palettes of the title group; the cell maps read it too.
constexpr std::string_view title_seq_name = "TITLE.SEQ";

constexpr std::uint16_t nibble_bits = 4;
constexpr std::uint16_t indexed_bits = 8;
constexpr std::uint16_t true_colour_bits = 24;

bool fail(std::string_view what, std::string_view detail);
bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
std::string_view name_stem(std::string_view name);
std::string output_name(std::string_view disc_name);

// Writes one file to the disc, as it is or packed; packed files are unpacked again and
// compared before they are written. The extractor reads at most capacity bytes of the file, so
// a packed file longer than that would reach it cut short and fails the run here.
bool write_disc_file(sample_run& run, std::string_view name, std::span<const std::uint8_t> data,
                     const disc_storage& storage, std::size_t capacity);
// The same for a file the extractor must get whole: data longer than capacity fails the run
// instead of reaching it cut short.
bool write_whole_disc_file(sample_run& run, std::string_view name,
                           std::span<const std::uint8_t> data, const disc_storage& storage,
                           std::size_t capacity);
// Packed if the table names the file, else raw.
disc_storage storage_for(std::span<const packed_file> packed, std::string_view name);
// Fails the run for a table entry naming no file on the disc, which would quietly have
// stayed raw.
bool check_packed_written(const sample_run& run, std::span<const packed_file> packed);
bool write_expected_bmp(const sample_run& run, std::string_view name, const bmp_picture& picture);
// One "done > NAME" line, in the order the caller gives, and its manifest line: the picture,
// its group and every disc file it is made from, so that a test damaging one file knows
// which pictures must change.
void append_done_line(sample_run& run, std::string_view output_name, std::string_view group,
                      std::span<const std::string> sources);

// ---------------------------------------------------------------------------------------------
// Colour words: top bit, then five bits each of blue, green and red.

constexpr std::uint16_t top_bit = 0x8000;
constexpr std::uint16_t colour_bits = 0x7FFF;
constexpr int blue_shift = 10;
constexpr int green_shift = 5;
constexpr int red_shift = 0;
constexpr std::uint16_t channel_max = 0x1F;
constexpr int channel_scale = 8;

struct rgb5 {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Background colours at the corners; each picture gets its own so swapped files show.
struct corner_gradient {
    rgb5 top_left;
    rgb5 top_right;
    rgb5 bottom_left;
    rgb5 bottom_right;
};

// Top bit clear; callers add it where they want it.
constexpr std::uint16_t colour_word(rgb5 colour) {
    return static_cast<std::uint16_t>((colour.blue << blue_shift) | (colour.green << green_shift) |
                                      (colour.red << red_shift));
}

std::uint8_t channel_level(std::uint16_t word, int shift);
// The conversion that ignores the top bit.
bgr_colour plain_colour(std::uint16_t word);

// Appends a 24-bit BMP pixel.
void push_pixel(std::vector<std::uint8_t>& pixels, bgr_colour colour);

// The gradient's colour at (x, y) of a width x height picture.
rgb5 gradient_at(const corner_gradient& gradient, int x, int y, int width, int height);

// ---------------------------------------------------------------------------------------------
// Palette stores: files holding blocks of 256 big-endian colour words at fixed offsets.

constexpr std::size_t palette_entries = 256;
constexpr std::size_t palette_block_bytes = palette_entries * 2;
// What a picture of 4-bit cells takes of its block.
constexpr std::size_t nibble_entries = 16;

using palette_words = std::array<std::uint16_t, palette_entries>;

// A ramp in the tint over the first used - 2 entries, then black for shadows and white for
// letters. The top bit is set on alternate bands of used / 16 entries; the conversion ignores
// it, an extractor that honours it shows stripes. Entries past used are glaring: no picture
// may show them.
palette_words tinted_palette(rgb5 tint, std::size_t used);

constexpr std::uint8_t shadow_index(std::size_t used) {
    return static_cast<std::uint8_t>(used - 2);
}
constexpr std::uint8_t letter_index(std::size_t used) {
    return static_cast<std::uint8_t>(used - 1);
}

struct palette_block {
    std::string_view user; // named when the block does not fit
    std::size_t offset;
    rgb5 tint;
    std::size_t used; // entries the picture shows
};

// Lays tinted palettes over the filler. Blocks at one offset are one palette, the first
// one's; blocks that merely overlap fail the run.
bool lay_palettes(std::span<const palette_block> blocks, std::span<const std::uint8_t> filler,
                  std::span<std::uint8_t> store);
// The first entries of the block at offset, converted plainly.
std::vector<bgr_colour> read_palette(std::span<const std::uint8_t> store, std::size_t offset,
                                     std::size_t entries);

// ---------------------------------------------------------------------------------------------
// Drawing on word and byte canvases.

inline std::uint16_t& word_at(word_canvas canvas, int x, int y) {
    return canvas.words[static_cast<std::size_t>(y * canvas.width + x)];
}

inline std::uint8_t& byte_at(byte_canvas canvas, int x, int y) {
    return canvas.bytes[static_cast<std::size_t>(y * canvas.width + x)];
}

void fill_box(word_canvas canvas, int left, int top, int width, int height, std::uint16_t word);
void fill_box(byte_canvas canvas, int left, int top, int width, int height, std::uint8_t index);

// Text centred across the canvas; false (with the reason printed) if the font lacks a
// character.
bool draw_centred_text(word_canvas canvas, int top, int scale, std::string_view text,
                       ink_style ink);
bool draw_centred_text(byte_canvas canvas, int top, int scale, std::string_view text,
                       std::uint8_t index);
// The same over a copy in the shadow ink, offset pixels down and to the right, to stand out
// on any background.
bool draw_shadowed_text(word_canvas canvas, int top, int scale, std::string_view text,
                        ink_style ink, ink_style shadow_ink, int offset);
bool draw_shadowed_text(byte_canvas canvas, int top, int scale, std::string_view text,
                        std::uint8_t index, std::uint8_t shadow_index, int offset);

// Ramps of all 32 levels of red, green and blue, one above the other, centred across the
// canvas; flags go into every word.
void draw_channel_ramps(word_canvas canvas, int top, int step_width, int height,
                        std::uint16_t flags);

// A slanting ramp over the palette's first used - 2 indices, a frame, and the name at the
// largest scale that fits, in letter_index() with a shadow in shadow_index().
bool draw_labelled(byte_canvas canvas, std::string_view name, std::size_t used);

// Two 4-bit indices a byte, the left pixel in the high nibble.
std::vector<std::uint8_t> pack_nibbles(std::span<const std::uint8_t> indices);

// ---------------------------------------------------------------------------------------------
// Cells and pattern name tables.

constexpr int cell_side = 8;
// A table file is 8192 bytes of 16-bit entries, 64 to a row; pictures use its top rows.
constexpr std::size_t map_bytes = 8192;
constexpr std::size_t map_entry_size = 2;
constexpr int map_columns = 64;
constexpr int map_rows = static_cast<int>(map_bytes / map_entry_size / map_columns);
constexpr std::uint16_t map_palette_mask = 0xF000;
constexpr std::uint16_t map_character_mask = 0x0FFF;
// Character numbers count cell data in units of this many bytes.
constexpr std::size_t character_unit = 32;

// Where a picture sits in a table and how its entries are numbered.
struct map_layout {
    int left; // first table column the picture uses
    int top;  // first table row
    int columns;
    int rows;
    std::uint16_t palette_bits; // in every entry, those outside the picture too
    std::uint16_t base;         // character number of cell 0, the lowest in the table
    std::size_t cell_bytes;     // 32, 64 or 128 for 4-, 8- or 16-bit cells
    int table_rows;             // rows the extractor reads as the table; the rest is never read
};

// The table of the event and ending screens is 64 x 32 entries in an 8192-byte file.
constexpr int screen_table_rows = 32;

// cell_order[k] is the picture position (in cells, row-major) that cell k of the cell data
// fills. A fixed shuffle, so a reader that takes cells in file order shows noise.
std::vector<int> shuffled_cells(int count, std::uint32_t seed);

// The whole table, big-endian. Entries outside the picture name cell 0, so the lowest
// character number stays the base; rows past the table's own carry foreign palette bits,
// which would make the table mixed for an extractor that read them.
bool build_map(const map_layout& layout, std::span<const int> cell_order,
               std::vector<std::uint8_t>& table);
// The same where several positions may name one cell: position_cells[p] is the cell at
// picture position p (row-major); cell 0 must be among them.
bool build_shared_map(const map_layout& layout, std::span<const int> position_cells,
                      std::vector<std::uint8_t>& table);

// Cell data for the cell order: 8 rows of 8 pixels per cell, one byte or one big-endian word
// per pixel.
std::vector<std::uint8_t> cut_cells(byte_canvas picture, std::span<const int> cell_order);
std::vector<std::uint8_t> cut_cells(word_canvas picture, std::span<const int> cell_order);

void put_word_be(std::span<std::uint8_t> out, std::size_t at, std::uint16_t word);

// ---------------------------------------------------------------------------------------------
// The picture groups after the portraits, each appending its done lines.

bool write_events(sample_run& run);
bool write_endings(sample_run& run);
// TITLE.SEQ holds the palettes of the title pictures, the sprite sheets and the cell maps;
// the title group writes it and hands its bytes on to the cell maps.
std::vector<palette_block> cell_map_palettes();
bool write_title_group(sample_run& run, std::vector<std::uint8_t>& title_seq);
bool write_cell_maps(sample_run& run, std::span<const std::uint8_t> title_seq);

} // namespace sample
