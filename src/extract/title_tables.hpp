// The fixed tables of the title group: sprite sheets and cell-map pictures, in the order
// they are made. Rows are plain records of fixed-width fields.
#pragma once

#include <cstdint>

// The title data, the first file the group reads and the palettes of all its pictures.
constexpr char title_file[] = "TITLE.SEQ";
constexpr std::uint32_t title_data_size = 42592;

// Names of at most five characters and a terminator.
constexpr std::size_t table_name_size = 6;

struct sprite_sheet {
    char name[table_name_size]; // without the "DM_" prefix
    std::uint16_t width;        // pixels a row
    std::uint32_t palette_offset;
};

constexpr sprite_sheet dm_sprite_sheets[] = {
    {"RULU", 128, 21968},  {"LAGNS", 112, 22992}, {"SHEZ", 168, 26576}, {"WITC", 184, 27600},
    {"DRAC", 232, 28112},  {"TARA", 184, 28112},  {"MOMO", 120, 31696}, {"MOME1", 256, 32208},
    {"MOME2", 256, 32208}, {"SATA", 136, 33232},  {"CARB", 104, 35792}, {"ARLE2", 88, 36816},
    {"RULU2", 128, 37328},
};

struct cell_map {
    char map_name[table_name_size]; // the map file and the pictures written
    char cel_name[table_name_size]; // the cell data file or files
    std::uint8_t width;             // cells across
    std::uint8_t height;            // cells down
    std::uint32_t palette_offset;   // of the first picture; each further one is 512 on
    std::uint8_t counts;            // pictures x 16 + parts (0 parts: one unnumbered file)
};

constexpr cell_map dm_cell_maps[] = {
    {"ARLB1", "ARLC", 44, 30, 19920, 20},  {"ARLE", "ARLE", 14, 28, 20944, 16},
    {"RULB1", "RULB1", 44, 30, 21456, 16}, {"MINO", "MINO", 44, 30, 22480, 16},
    {"LAGNL", "LAGNL", 26, 27, 23504, 16}, {"LAGB1", "LAGB1", 44, 30, 24016, 16},
    {"SHEE1", "SHEE1", 44, 30, 24528, 64}, {"SHEB1", "SHEB1", 44, 30, 27088, 16},
    {"WITB1", "WITB1", 44, 30, 28624, 16}, {"TARB1", "TARC", 44, 30, 29136, 35},
    {"HARP", "HARP", 44, 30, 30160, 16},   {"HARB1", "HARB1", 64, 30, 30672, 16},
    {"HARB2", "HA2C", 64, 30, 31184, 20},  {"MOMB1", "MOMC", 44, 30, 32720, 20},
    {"SATB1", "SATB1", 44, 30, 33744, 16}, {"SATB2", "SA2C", 64, 32, 34256, 20},
    {"YOGU", "YOGU", 44, 30, 34768, 16},   {"YOGB1", "YOGC", 64, 64, 35280, 20},
    {"CARB2", "CARB2", 64, 30, 36304, 16}, {"CARB3", "CARB3", 64, 30, 36304, 16},
    {"ARCB1", "ARCB1", 44, 64, 37840, 16}, {"ARCB2", "ARCB2", 44, 30, 38352, 16},
};

constexpr unsigned counts_parts(std::uint8_t counts) {
    return counts & 0x0F;
}
constexpr unsigned counts_pictures(std::uint8_t counts) {
    return counts >> 4;
}
