#include "extract/events.hpp"

#include "extract/cell_screen.hpp"
#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char map_name[] = "EVENT.MAP";
constexpr char cel_format[] = "%s.CEL";

constexpr std::uint32_t seq_size = 54528;

// Every picture shows the 44 x 30 cells at the top left of the table, 8 bits deep.
constexpr std::uint32_t cells_across = 44;
constexpr std::uint32_t cells_down = 30;
constexpr std::uint16_t event_depth = depth_8;
constexpr std::uint32_t event_width = cells_across * cell_side;
constexpr std::uint32_t event_height = cells_down * cell_side;
constexpr std::uint32_t cel_size = event_width * event_height;
static_assert(cel_size == 84480);
// A table too small is told as one for two pictures, as it always was.
constexpr cell_screen event_screen{map_rows,    cells_across,        cells_down, 0,
                                   event_depth, depth_rule::exactly, 2};

// Palette blocks in the palette store.
constexpr std::uint32_t opening_palette = 24432;
constexpr std::uint32_t first_event_palette = 23344;
constexpr std::uint32_t numbered_palette = 24944;
constexpr unsigned last_numbered = 27;
// There is no EV_15: EV_16 takes the block after EV_14's.
constexpr unsigned missing_numbered = 15;
constexpr std::size_t numbered_pictures = last_numbered - 1;

struct event_picture {
    char name[8];
    std::uint32_t palette_offset;
};

// The pictures in the order they are made: the opening, the first event, then EV_01 on,
// each numbered one with the palette block after the one before.
constexpr auto event_pictures = [] {
    std::array<event_picture, 2 + numbered_pictures> table{};
    table[0] = {"OP_ARLE", opening_palette};
    table[1] = {"EV1001", first_event_palette};
    std::size_t at = 2;
    std::uint32_t block = numbered_palette;
    for (unsigned n = 1; n <= last_numbered; ++n) {
        if (n == missing_numbered) {
            continue;
        }
        event_picture& e = table[at++];
        const char digits[] = {'E', 'V', '_', static_cast<char>('0' + n / 10),
                               static_cast<char>('0' + n % 10)};
        for (std::size_t k = 0; k < sizeof digits; ++k) {
            e.name[k] = digits[k];
        }
        e.palette_offset = block;
        block += palette_block_size;
    }
    return table;
}();
static_assert(event_pictures.back().palette_offset + palette_block_size <= seq_size);

// What the pictures share: the palette store, then the table cut to the screen.
constexpr std::uint32_t table_entries = cells_across * cells_down;
constexpr std::uint32_t shared_size = seq_size + table_entries * 2;

bool load_shared(picture_job& shared, std::uint8_t* block) {
    std::uint16_t map[map_area_entries] = {};
    if (!shared.load(events_first_file, block, seq_size) ||
        !load_cell_screen(shared, map_name, map, event_screen)) {
        return false;
    }
    std::memcpy(block + seq_size, map, table_entries * 2);
    return true;
}

} // namespace

bool dec_event(picture_run& run, const char* name, const std::uint8_t* palette_words,
               const std::uint16_t* table, transparency mode) {
    std::uint8_t palette[palette_size] = {};
    char file[file_name_size] = {};
    std::snprintf(file, sizeof file, cel_format, name);
    picture_job job(run, group_events, name);
    job.uses(events_first_file);
    job.uses(map_name);
    const heap_block cells = heap_take(cel_size);
    if (!cells) {
        return job.fail(error{error_kind::no_memory, "dec_event"});
    }
    if (!job.load_exactly(file, cells.get(), cel_size)) {
        return false;
    }
    if (!job.check(dec_ss_pal(palette_words, palette, palette_entries, mode)) ||
        !job.check(dec_s8_tile(cells.get(), cells.get(), table, cel_size, cells_across, cells_down,
                               event_depth))) {
        return false;
    }
    return job.write({palette, cells.get(), event_width, event_height, event_depth, false});
}

std::vector<listed_picture> list_events(const disc&) {
    std::vector<listed_picture> out;
    for (unsigned i = 0; i < event_pictures.size(); ++i) {
        const std::string name = event_pictures[i].name;
        out.push_back({name, group_events, {events_first_file, map_name, name + ".CEL"}, i, 0});
    }
    return out;
}

bool make_event(group_job& job, const listed_picture& picture) {
    const std::uint8_t* shared = job.shared(shared_size, load_shared);
    if (shared == nullptr) {
        return false;
    }
    if (picture.entry >= event_pictures.size()) {
        return true;
    }
    const event_picture& e = event_pictures[picture.entry];
    std::uint16_t table[table_entries] = {};
    std::memcpy(table, shared + seq_size, sizeof table);
    dec_event(job.run(), e.name, shared + e.palette_offset, table, job.mode());
    return true;
}
