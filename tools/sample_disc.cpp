#include "sample_disc.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <numeric>

namespace sample {
namespace {

constexpr std::string_view done_prefix = "done > ";
constexpr std::string_view bmp_extension = ".BMP";

std::string upper_extension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string extension{dot == std::string_view::npos ? std::string_view{}
                                                        : name.substr(dot + 1)};
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

int blend(int top_left, int top_right, int bottom_left, int bottom_right, int x, int y, int width,
          int height) {
    const int x_span = width - 1;
    const int y_span = height - 1;
    const int sum = top_left * (x_span - x) * (y_span - y) + top_right * x * (y_span - y) +
                    bottom_left * (x_span - x) * y + bottom_right * x * y;
    const int whole = x_span * y_span;
    return (sum + whole / 2) / whole;
}

// A plain linear congruential generator: the same shuffle on every machine.
constexpr std::uint32_t shuffle_multiplier = 1664525;
constexpr std::uint32_t shuffle_increment = 1013904223;
constexpr int shuffle_drop_bits = 8; // the low bits of such a generator cycle quickly

// Tinted palettes: the darkest ramp entry keeps a seventh of the tint.
constexpr std::size_t ramp_floor_share = 7;
constexpr std::size_t top_bit_bands = 16;
constexpr std::uint16_t unused_entry_word = colour_word({31, 0, 0});

// Labelled pictures: the ramp climbs one index every few pixels, faster downwards, so its
// stripes cross cell edges at a slant.
constexpr int ramp_step = 3;
constexpr int ramp_rise = 2;
constexpr int text_margin = 6;
constexpr int max_name_scale = 16;
constexpr int shadow_share = 4; // of the scale

std::uint16_t get_word_be(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>((in[at] << 8) | in[at + 1]);
}

std::uint32_t next_random(std::uint32_t& state) {
    state = state * shuffle_multiplier + shuffle_increment;
    return state >> shuffle_drop_bits;
}

} // namespace

bool fail(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "make_sample_disc: %.*s: %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(detail.size()), detail.data());
    return false;
}

bool write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        return fail(path.string(), "cannot write");
    }
    return true;
}

std::string_view name_stem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string output_name(std::string_view disc_name) {
    return std::string{name_stem(disc_name)} + std::string{bmp_extension};
}

bool write_disc_file(sample_run& run, std::string_view name, std::span<const std::uint8_t> data,
                     const disc_storage& storage, std::size_t capacity) {
    const std::filesystem::path path = run.disc_dir / name;
    if (storage.kind == storage_kind::raw) {
        return write_file(path, data);
    }
    std::vector<std::uint8_t> file;
    cnx_status status = cnx_pack(data, upper_extension(name), storage.cnx, file);
    if (status != cnx_status::ok) {
        return fail(name, cnx_status_text(status));
    }
    if (file.size() > capacity) {
        return fail(name, "packed file is longer than the extractor reads; store it raw");
    }
    cnx_stats stats{};
    status = cnx_check(file, data, stats);
    if (status != cnx_status::ok) {
        return fail(name, std::string{"packer self-check: "} + cnx_status_text(status));
    }
    add_cnx_stats(run.cnx_totals, stats);
    run.packed_names.emplace_back(name);
    std::printf("%.*s: CNX %zu bytes; skips %zu empty %zu filled (%zu after a 0x00 flag), "
                "%zu literals, %zu runs (%zu empty), %zu back-refs (%zu overlapping, "
                "distance %zu..%zu, length %zu..%zu)%s\n",
                static_cast<int>(name.size()), name.data(), file.size(), stats.empty_skips,
                stats.filled_skips, stats.zero_flag_skips, stats.literals, stats.literal_runs,
                stats.empty_runs, stats.back_refs, stats.overlapping_back_refs, stats.min_distance,
                stats.max_distance, stats.min_length, stats.max_length,
                stats.files_with_trailing != 0 ? ", trailing bytes" : "");
    return write_file(path, file);
}

bool write_whole_disc_file(sample_run& run, std::string_view name,
                           std::span<const std::uint8_t> data, const disc_storage& storage,
                           std::size_t capacity) {
    if (data.size() > capacity) {
        return fail(name, "longer than the extractor reads");
    }
    return write_disc_file(run, name, data, storage, capacity);
}

disc_storage storage_for(std::span<const packed_file> packed, std::string_view name) {
    for (const packed_file& file : packed) {
        if (file.name == name) {
            return {storage_kind::cnx, file.cnx};
        }
    }
    return raw_storage;
}

bool check_packed_written(const sample_run& run, std::span<const packed_file> packed) {
    for (const packed_file& file : packed) {
        if (std::find(run.packed_names.begin(), run.packed_names.end(), file.name) ==
            run.packed_names.end()) {
            return fail(file.name, "meant to be packed but never written");
        }
    }
    return true;
}

bool write_expected_bmp(const sample_run& run, std::string_view name, const bmp_picture& picture) {
    std::vector<std::uint8_t> file(bmp_file_size(picture.width, picture.height, picture.bits));
    const bmp_status status = write_bmp(picture, file);
    if (status != bmp_status::ok) {
        return fail(name, bmp_status_text(status));
    }
    return write_file(run.expected_dir / name, file);
}

void append_done_line(sample_run& run, std::string_view output_name, std::string_view group,
                      std::span<const std::string> sources) {
    run.transcript += done_prefix;
    run.transcript += output_name;
    run.transcript += '\n';
    run.manifest += output_name;
    run.manifest += ' ';
    run.manifest += group;
    for (const std::string& source : sources) {
        run.manifest += ' ';
        run.manifest += source;
    }
    run.manifest += '\n';
}

std::uint8_t channel_level(std::uint16_t word, int shift) {
    return static_cast<std::uint8_t>(((word >> shift) & channel_max) * channel_scale);
}

bgr_colour plain_colour(std::uint16_t word) {
    return {channel_level(word, blue_shift), channel_level(word, green_shift),
            channel_level(word, red_shift)};
}

void push_pixel(std::vector<std::uint8_t>& pixels, bgr_colour colour) {
    pixels.push_back(colour.blue);
    pixels.push_back(colour.green);
    pixels.push_back(colour.red);
}

palette_words tinted_palette(rgb5 tint, std::size_t used) {
    const std::size_t ramp_entries = used - 2;
    const std::size_t floor = ramp_entries / ramp_floor_share;
    const std::size_t span = ramp_entries - 1 + floor;
    const std::size_t band = used / top_bit_bands;
    palette_words words{};
    for (std::size_t n = 0; n < palette_entries; ++n) {
        const std::size_t step = n + floor;
        const rgb5 colour{static_cast<std::uint8_t>(tint.red * step / span),
                          static_cast<std::uint8_t>(tint.green * step / span),
                          static_cast<std::uint8_t>(tint.blue * step / span)};
        std::uint16_t word = n >= used                 ? unused_entry_word
                             : n == letter_index(used) ? colour_bits
                             : n == shadow_index(used) ? std::uint16_t{0}
                                                       : colour_word(colour);
        if ((n / band) % 2 == 0) {
            word |= top_bit;
        }
        words[n] = word;
    }
    return words;
}

bool lay_palettes(std::span<const palette_block> blocks, std::span<const std::uint8_t> filler,
                  std::span<std::uint8_t> store) {
    for (std::size_t n = 0; n < store.size(); ++n) {
        store[n] = filler[n % filler.size()];
    }
    // The offset of the block each byte belongs to, plus one; zero for filler.
    std::vector<std::size_t> owner(store.size(), 0);
    for (auto block = blocks.begin(); block != blocks.end(); ++block) {
        const std::size_t at = block->offset;
        if (at + palette_block_bytes > store.size()) {
            return fail(block->user, "palette block past the end of the store");
        }
        const auto earlier = std::find_if(blocks.begin(), block,
                                          [&](const palette_block& b) { return b.offset == at; });
        if (earlier != block) {
            // Shared with an earlier user; both must mean the same palette.
            const bool same = earlier->used == block->used &&
                              colour_word(earlier->tint) == colour_word(block->tint);
            if (!same) {
                return fail(block->user, "shares a palette block but wants other colours");
            }
            continue;
        }
        if (std::any_of(owner.begin() + static_cast<std::ptrdiff_t>(at),
                        owner.begin() + static_cast<std::ptrdiff_t>(at + palette_block_bytes),
                        [](std::size_t o) { return o != 0; })) {
            return fail(block->user, "palette block overlaps another");
        }
        const palette_words words = tinted_palette(block->tint, block->used);
        for (std::size_t n = 0; n < palette_entries; ++n) {
            put_word_be(store, at + n * 2, words[n]);
        }
        std::fill_n(owner.begin() + static_cast<std::ptrdiff_t>(at), palette_block_bytes, at + 1);
    }
    return true;
}

std::vector<bgr_colour> read_palette(std::span<const std::uint8_t> store, std::size_t offset,
                                     std::size_t entries) {
    std::vector<bgr_colour> palette(entries);
    for (std::size_t n = 0; n < entries; ++n) {
        palette[n] = plain_colour(get_word_be(store, offset + n * 2));
    }
    return palette;
}

rgb5 gradient_at(const corner_gradient& g, int x, int y, int width, int height) {
    const auto channel = [&](std::uint8_t rgb5::*c) {
        return static_cast<std::uint8_t>(blend(g.top_left.*c, g.top_right.*c, g.bottom_left.*c,
                                               g.bottom_right.*c, x, y, width, height));
    };
    return {channel(&rgb5::red), channel(&rgb5::green), channel(&rgb5::blue)};
}

void fill_box(word_canvas canvas, int left, int top, int width, int height, std::uint16_t word) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            word_at(canvas, x, y) = word;
        }
    }
}

void fill_box(byte_canvas canvas, int left, int top, int width, int height, std::uint8_t index) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            byte_at(canvas, x, y) = index;
        }
    }
}

bool draw_centred_text(word_canvas canvas, int top, int scale, std::string_view text,
                       ink_style ink) {
    const int left = (canvas.width - text_width(text, scale)) / 2;
    if (!draw_text(canvas, left, top, scale, text, ink)) {
        return fail(text, "has a character the font lacks");
    }
    return true;
}

bool draw_centred_text(byte_canvas canvas, int top, int scale, std::string_view text,
                       std::uint8_t index) {
    const int left = (canvas.width - text_width(text, scale)) / 2;
    if (!draw_text(canvas, left, top, scale, text, index)) {
        return fail(text, "has a character the font lacks");
    }
    return true;
}

bool draw_shadowed_text(word_canvas canvas, int top, int scale, std::string_view text,
                        ink_style ink, ink_style shadow_ink, int offset) {
    const int left = (canvas.width - text_width(text, scale)) / 2;
    draw_text(canvas, left + offset, top + offset, scale, text, shadow_ink);
    return draw_centred_text(canvas, top, scale, text, ink);
}

bool draw_shadowed_text(byte_canvas canvas, int top, int scale, std::string_view text,
                        std::uint8_t index, std::uint8_t shadow_index, int offset) {
    const int left = (canvas.width - text_width(text, scale)) / 2;
    draw_text(canvas, left + offset, top + offset, scale, text, shadow_index);
    return draw_centred_text(canvas, top, scale, text, index);
}

void draw_channel_ramps(word_canvas canvas, int top, int step_width, int height,
                        std::uint16_t flags) {
    constexpr int shifts[] = {red_shift, green_shift, blue_shift};
    const int left = (canvas.width - (channel_max + 1) * step_width) / 2;
    for (const int shift : shifts) {
        for (int level = 0; level <= channel_max; ++level) {
            fill_box(canvas, left + level * step_width, top, step_width, height,
                     static_cast<std::uint16_t>(flags | (level << shift)));
        }
        top += height;
    }
}

bool draw_labelled(byte_canvas canvas, std::string_view name, std::size_t used) {
    const auto ramp_entries = static_cast<int>(used) - 2;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            byte_at(canvas, x, y) =
                static_cast<std::uint8_t>((x + ramp_rise * y) / ramp_step % ramp_entries);
        }
    }
    const std::uint8_t letter = letter_index(used);
    fill_box(canvas, 0, 0, canvas.width, 1, letter);
    fill_box(canvas, 0, canvas.height - 1, canvas.width, 1, letter);
    fill_box(canvas, 0, 0, 1, canvas.height, letter);
    fill_box(canvas, canvas.width - 1, 0, 1, canvas.height, letter);

    const int scale = std::min({(canvas.width - 2 * text_margin) / text_width(name, 1),
                                (canvas.height - 2 * text_margin) / glyph_height, max_name_scale});
    if (scale < 1) {
        return fail(name, "does not fit its picture");
    }
    const int top = (canvas.height - glyph_height * scale) / 2;
    return draw_shadowed_text(canvas, top, scale, name, letter, shadow_index(used),
                              scale / shadow_share + 1);
}

std::vector<std::uint8_t> pack_nibbles(std::span<const std::uint8_t> indices) {
    constexpr int high_nibble = 4;
    std::vector<std::uint8_t> packed((indices.size() + 1) / 2, 0);
    for (std::size_t n = 0; n < indices.size(); ++n) {
        const int shift = n % 2 == 0 ? high_nibble : 0;
        packed[n / 2] |= static_cast<std::uint8_t>(indices[n] << shift);
    }
    return packed;
}

std::vector<int> shuffled_cells(int count, std::uint32_t seed) {
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::uint32_t state = seed;
    for (std::size_t n = order.size(); n > 1; --n) {
        const std::size_t pick = next_random(state) % n;
        std::swap(order[n - 1], order[pick]);
    }
    return order;
}

void put_word_be(std::span<std::uint8_t> out, std::size_t at, std::uint16_t word) {
    out[at] = static_cast<std::uint8_t>(word >> 8);
    out[at + 1] = static_cast<std::uint8_t>(word);
}

bool build_map(const map_layout& layout, std::span<const int> cell_order,
               std::vector<std::uint8_t>& table) {
    std::vector<int> position_cells(cell_order.size(), -1);
    for (std::size_t cell = 0; cell < cell_order.size(); ++cell) {
        const auto position = static_cast<std::size_t>(cell_order[cell]);
        if (position >= position_cells.size()) {
            return fail("pattern name table", "cell order names a position off the picture");
        }
        position_cells[position] = static_cast<int>(cell);
    }
    return build_shared_map(layout, position_cells, table);
}

bool build_shared_map(const map_layout& layout, std::span<const int> position_cells,
                      std::vector<std::uint8_t>& table) {
    const std::size_t units = layout.cell_bytes / character_unit;
    const bool fits =
        layout.left >= 0 && layout.top >= 0 && layout.left + layout.columns <= map_columns &&
        layout.top + layout.rows <= layout.table_rows && layout.table_rows <= map_rows &&
        position_cells.size() == static_cast<std::size_t>(layout.columns * layout.rows) &&
        std::all_of(position_cells.begin(), position_cells.end(),
                    [](int cell) { return cell >= 0; });
    if (!fits) {
        return fail("pattern name table", "picture does not fit the table");
    }
    // Cell 0 carries the base, the lowest character number; a table that never names it
    // would have the extractor take off a higher one.
    if (std::find(position_cells.begin(), position_cells.end(), 0) == position_cells.end()) {
        return fail("pattern name table", "cell 0 is never named");
    }
    const auto cells =
        static_cast<std::size_t>(*std::max_element(position_cells.begin(), position_cells.end())) +
        1;
    // Any bit below the unit size would make the extractor read a smaller cell depth.
    const bool numbered = (layout.palette_bits & map_character_mask) == 0 &&
                          layout.base % units == 0 &&
                          layout.base + (cells - 1) * units <= map_character_mask;
    if (!numbered) {
        return fail("pattern name table", "entries do not fit the character number field");
    }
    const auto entry = [&](std::size_t cell) {
        return static_cast<std::uint16_t>(layout.palette_bits | (layout.base + cell * units));
    };
    const auto decoy = static_cast<std::uint16_t>(
        ((layout.palette_bits + 0x1000) & map_palette_mask) | layout.base);
    const std::size_t table_bytes =
        static_cast<std::size_t>(layout.table_rows) * map_columns * map_entry_size;
    table.assign(map_bytes, 0);
    for (std::size_t at = 0; at < map_bytes; at += map_entry_size) {
        put_word_be(table, at, at < table_bytes ? entry(0) : decoy);
    }
    for (std::size_t position = 0; position < position_cells.size(); ++position) {
        const int column = layout.left + static_cast<int>(position) % layout.columns;
        const int row = layout.top + static_cast<int>(position) / layout.columns;
        put_word_be(table, static_cast<std::size_t>(row * map_columns + column) * map_entry_size,
                    entry(static_cast<std::size_t>(position_cells[position])));
    }
    return true;
}

std::vector<std::uint8_t> cut_cells(byte_canvas picture, std::span<const int> cell_order) {
    const int columns = picture.width / cell_side;
    std::vector<std::uint8_t> cells;
    cells.reserve(cell_order.size() * cell_side * cell_side);
    for (const int position : cell_order) {
        const int left = position % columns * cell_side;
        const int top = position / columns * cell_side;
        for (int y = top; y < top + cell_side; ++y) {
            for (int x = left; x < left + cell_side; ++x) {
                cells.push_back(byte_at(picture, x, y));
            }
        }
    }
    return cells;
}

std::vector<std::uint8_t> cut_cells(word_canvas picture, std::span<const int> cell_order) {
    const int columns = picture.width / cell_side;
    std::vector<std::uint8_t> cells;
    cells.reserve(cell_order.size() * cell_side * cell_side * 2);
    for (const int position : cell_order) {
        const int left = position % columns * cell_side;
        const int top = position / columns * cell_side;
        for (int y = top; y < top + cell_side; ++y) {
            for (int x = left; x < left + cell_side; ++x) {
                const std::uint16_t word = word_at(picture, x, y);
                cells.push_back(static_cast<std::uint8_t>(word >> 8));
                cells.push_back(static_cast<std::uint8_t>(word));
            }
        }
    }
    return cells;
}

} // namespace sample
