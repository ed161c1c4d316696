// The fuzz_cells input, shared with the seed maker.
#pragma once

#include <cstddef>
#include <cstdint>

// Header bytes, then the table (table_width x table_height big-endian entries, zeros where
// the input ends early), then the cell data: every remaining byte. The picture that is cut
// on its own is picture_width x picture_height pixels taken cyclically from the cell data.
enum cells_field : std::size_t {
    field_table_width,    // 1 + b % 64 entries
    field_table_height,   // 1 + b % 64 entries
    field_x,              // b % 65, for both cuts
    field_y,              // b % 65
    field_width,          // b % 65
    field_height,         // b % 65
    field_depth,          // bit 7 set: depth b & 0x1F instead of the table's
    field_picture_bits,   // bits_per_byte x (b % 5)
    field_picture_width,  // b % 80
    field_picture_height, // b % 80
    cells_header_size
};

constexpr std::uint32_t table_side_limit = 64;
constexpr std::uint32_t cut_limit = 65;
constexpr std::uint8_t depth_override_flag = 0x80;
constexpr std::uint8_t depth_override_mask = 0x1F;
constexpr std::uint32_t bits_choices = 5;
constexpr std::uint16_t bits_per_byte = 8;
constexpr std::uint32_t picture_side_limit = 80;
