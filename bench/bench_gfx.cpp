// The picture routines on inputs of the sizes the program gives them, each beside a memcpy
// of the bytes it makes. Bytes counted are bytes of output.
#include "bench_support.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t cells_seed = 2;
constexpr std::uint32_t table_seed = 3;
constexpr std::uint32_t words_seed = 4;

// ---------------------------------------------------------------------------------------------
// Cells to pixel rows.

struct tile_case {
    const char* name;
    std::uint32_t width; // cells
    std::uint32_t height;
    std::uint16_t depth;
};

constexpr tile_case tile_cases[] = {
    {"event_44x30_depth8", 44, 30, depth_8},
    {"ending_22x30_depth16", 22, 30, depth_16},
    {"cell_map_64x64_depth8", 64, 64, depth_8},
};

std::size_t tile_bytes(const tile_case& c) {
    return std::size_t{c.width} * c.height * cell_side * c.depth;
}

// Every position names a cell of its own, in a shuffled order, as the disc's tables do.
std::vector<std::uint16_t> shuffled_table(std::size_t count, std::uint32_t units_per_cell) {
    std::vector<std::uint16_t> table(count);
    std::iota(table.begin(), table.end(), std::uint16_t{0});
    std::shuffle(table.begin(), table.end(), std::mt19937(table_seed));
    for (std::uint16_t& entry : table) {
        entry = static_cast<std::uint16_t>(entry * units_per_cell);
    }
    return table;
}

void run_tile(benchmark::State& state, tile_case c) {
    const std::size_t total = tile_bytes(c);
    std::vector<std::uint8_t> cells = random_bytes(total, cells_seed);
    const std::vector<std::uint16_t> table =
        shuffled_table(std::size_t{c.width} * c.height, cell_side * c.depth / pn_unit_size);
    const auto length = static_cast<std::uint32_t>(total);
    // In place, as the program calls it: the table names every cell whatever they hold.
    if (!dec_s8_tile(cells.data(), cells.data(), table.data(), length, c.width, c.height,
                     c.depth)) {
        state.SkipWithError("dec_s8_tile refused the input");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(dec_s8_tile(cells.data(), cells.data(), table.data(), length,
                                             c.width, c.height, c.depth)
                                     .ok());
        benchmark::DoNotOptimize(cells.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}

// ---------------------------------------------------------------------------------------------
// Colour words to 24-bit rows.

struct colour_case {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    transparency mode; // the transparency mode the program converts these under
};

constexpr colour_case colour_cases[] = {
    {"face_80x80_marked", 80, 80, transparency::mark_clear},
    {"ending_176x240_plain", 176, 240, transparency::plain},
};

constexpr std::uint16_t colour_bits = 0x7FFF;
constexpr std::uint32_t letter_band_divisor = 3; // letters fill the top third
constexpr std::uint32_t stroke_width = 4;

std::size_t colour_output_bytes(const colour_case& c) {
    return std::size_t{rgb_row_size(c.width)} * c.height;
}

// Big-endian words with the top bit set, but clear on a checkered border and in letter
// strokes across the top, as on a portrait: the marked mode branches on it.
std::vector<std::uint8_t> portrait_words(std::uint32_t width, std::uint32_t height) {
    std::mt19937 generator(words_seed);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t{width} * height * 2);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const bool letter = y < height / letter_band_divisor && (x / stroke_width) % 3 == 1;
            const bool clear = (border && (x + y) % 2 == 0) || letter;
            const auto word = static_cast<std::uint16_t>((generator() & colour_bits) |
                                                         (clear ? 0 : colour_top_bit));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
            bytes.push_back(static_cast<std::uint8_t>(word));
        }
    }
    return bytes;
}

void run_colour(benchmark::State& state, colour_case c) {
    const std::vector<std::uint8_t> words = portrait_words(c.width, c.height);
    std::vector<std::uint8_t> picture(colour_output_bytes(c));
    for (auto _ : state) {
        // In place, as the program calls it; the words go back first, or the next round
        // would convert this round's output.
        std::memcpy(picture.data(), words.data(), words.size());
        if (!dec_ss_hc(picture.data(), picture.data(), c.width, c.height, c.mode)) {
            state.SkipWithError("dec_ss_hc refused the input");
            break;
        }
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * colour_output_bytes(c)));
}

// ---------------------------------------------------------------------------------------------
// Pattern name tables.

struct table_case {
    const char* name;
    std::uint32_t entries;
};

constexpr table_case table_cases[] = {
    {"screen_2048", 2048}, // events and endings
    {"cell_map_4096", 4096},
};

constexpr std::uint16_t table_palette_bits = 0x3000;
constexpr std::uint16_t table_base = 0x0100;
// Character numbers are 12 bits: at 8 bits deep a big table must share cells.
constexpr std::uint16_t table_distinct_cells = 1900;
constexpr std::uint16_t units_per_8_bit_cell = 2;

// 8-bit cells under one palette, big-endian, as read off the disc.
std::vector<std::uint16_t> disc_table(std::uint32_t entries) {
    const std::vector<std::uint16_t> order = shuffled_table(entries, 1);
    std::vector<std::uint16_t> table(entries);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto cell = static_cast<std::uint16_t>(order[i] % table_distinct_cells);
        const auto entry = static_cast<std::uint16_t>(table_palette_bits | table_base |
                                                      cell * units_per_8_bit_cell);
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(entry >> 8),
                                       static_cast<std::uint8_t>(entry)};
        std::memcpy(&table[i], bytes, sizeof bytes);
    }
    return table;
}

void run_table(benchmark::State& state, table_case c) {
    const std::vector<std::uint16_t> from_disc = disc_table(c.entries);
    std::vector<std::uint16_t> table(from_disc.size());
    const std::size_t bytes = table.size() * sizeof table[0];
    for (auto _ : state) {
        // The routine works in place: the disc's entries go back first.
        std::memcpy(table.data(), from_disc.data(), bytes);
        const result<std::uint16_t> depth = opti_ss_pnb(table.data(), c.entries);
        if (!depth || *depth != depth_8) {
            state.SkipWithError("opti_ss_pnb refused the table");
            break;
        }
        benchmark::DoNotOptimize(table.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// ---------------------------------------------------------------------------------------------

void add(const std::string& name, auto run, auto arguments, std::size_t bytes) {
    benchmark::RegisterBenchmark((name + "/" + arguments.name).c_str(), run, arguments);
    benchmark::RegisterBenchmark((name + "/" + arguments.name + "/memcpy").c_str(), memcpy_ceiling,
                                 bytes);
}

bool register_gfx_benchmarks() {
    for (const tile_case& c : tile_cases) {
        add("dec_s8_tile", run_tile, c, tile_bytes(c));
    }
    for (const colour_case& c : colour_cases) {
        add("dec_ss_hc", run_colour, c, colour_output_bytes(c));
    }
    for (const table_case& c : table_cases) {
        add("opti_ss_pnb", run_table, c, std::size_t{c.entries} * sizeof(std::uint16_t));
    }
    return true;
}

[[maybe_unused]] const bool gfx_registered = register_gfx_benchmarks();

} // namespace
