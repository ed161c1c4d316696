// Pattern name tables: which 8 x 8 cell goes where on a screen, and with which palette.
#pragma once

#include "core/error.hpp"

#include <cstdint>

// Entry: palette bits 15-12, character number 11-0 in units of 32 bytes of cell data.
constexpr std::uint16_t pn_palette_mask = 0xF000;
constexpr std::uint16_t pn_character_mask = 0x0FFF;
constexpr std::uint32_t pn_unit_size = 32;

// Cell depths, bits per pixel; one more marks a table whose entries mix palette bits.
constexpr std::uint16_t depth_4 = 4;
constexpr std::uint16_t depth_8 = 8;
constexpr std::uint16_t depth_16 = 16;
constexpr std::uint16_t depth_mixed_flag = 1;

// Turns count big-endian entries into host order in place, infers the cell depth from
// their character numbers and rebases them so that the lowest-numbered cell is cell 0
// (dropping the palette bits when every entry shares them; an odd depth says they do
// not). Gives the depth; fails (bad argument) for bad arguments or a table with no depth
// (entries then in host order, not rebased).
result<std::uint16_t> opti_ss_pnb(std::uint16_t* table, std::uint32_t count);
