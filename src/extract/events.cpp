#include "extract/events.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/picture.hpp"
#include "gfx/cells.hpp"
#include "gfx/colour.hpp"
#include "gfx/pattern_names.hpp"

#include <cstdio>

namespace {

constexpr char seq_name[] = "MP1001.SEQ";
constexpr char map_name[] = "EVENT.MAP";
constexpr char cel_format[] = "%s.CEL";
constexpr char bmp_format[] = "%s.BMP";
constexpr char numbered_format[] = "EV_%02u";
constexpr std::size_t name_size = 8;

constexpr std::uint32_t seq_size = 54528;

// Every picture shows the 44 x 30 cells at the top left of the table, 8 bits deep.
constexpr std::uint32_t cells_across = 44;
constexpr std::uint32_t cells_down = 30;
constexpr std::uint16_t event_depth = depth_8;
constexpr std::uint32_t event_width = cells_across * cell_side;
constexpr std::uint32_t event_height = cells_down * cell_side;
constexpr std::uint32_t cel_size = event_width * event_height;
static_assert(cel_size == 84480);

// Palette blocks in the palette store.
constexpr std::uint32_t opening_palette = 24432;
constexpr std::uint32_t first_event_palette = 23344;
constexpr std::uint32_t numbered_palette = 24944;
constexpr unsigned last_numbered = 27;
// There is no EV_15: EV_16 takes the block after EV_14's.
constexpr unsigned missing_numbered = 15;

} // namespace

status dec_event(const disc& source, const char* name, const std::uint8_t* palette_words,
                 const std::uint16_t* table) {
    std::uint8_t cells[cel_size] = {};
    std::uint8_t palette[palette_size] = {};
    char file[file_name_size] = {};
    char output[file_name_size] = {};
    std::snprintf(file, sizeof file, cel_format, name);
    if (load_disc_file(source, file, cells, cel_size) != static_cast<status>(cel_size)) {
        return st_reported;
    }
    dec_ss_pal(palette_words, palette, palette_entries);
    std::snprintf(output, sizeof output, bmp_format, name);
    if (errormes(dec_s8_tile(cells, cells, table, cel_size, cells_across, cells_down, event_depth),
                 "dec_s8_tile") != st_ok) {
        return st_reported;
    }
    return write_picture(output, palette, cells, event_width, event_height, event_depth);
}

status ext_events(const disc& source) {
    std::uint8_t seq[seq_size] = {};
    std::uint16_t map[map_area_entries] = {};
    if (load_disc_file(source, seq_name, seq, seq_size) < 0) {
        return st_reported;
    }
    if (load_disc_file(source, map_name, entry_bytes(map), map_area_size) < 0) {
        return st_reported;
    }
    std::uint16_t depth = 0;
    if (errormes(opti_ss_pnb(map, &depth, map_entries), "opti_ss_pnb") != st_ok ||
        depth != event_depth) {
        return st_reported;
    }
    if (cutimage(entry_bytes(map), entry_bytes(map), map_columns, map_rows, cells_across,
                 cells_down, 0, 0, map_entry_bits) != st_ok) {
        return st_reported;
    }
    dec_event(source, "OP_ARLE", seq + opening_palette, map);
    dec_event(source, "EV1001", seq + first_event_palette, map);
    std::uint32_t block = numbered_palette;
    for (unsigned n = 1; n <= last_numbered; ++n) {
        if (n == missing_numbered) {
            continue;
        }
        char name[name_size] = {};
        std::snprintf(name, sizeof name, numbered_format, n);
        dec_event(source, name, seq + block, map);
        block += palette_block_size;
    }
    return st_ok;
}
