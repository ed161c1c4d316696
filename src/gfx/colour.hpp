// Saturn colour words to BMP colours, under a transparency mode the caller names.
#pragma once

#include "core/error.hpp"

#include <cstdint>

// Colour word: bit 15 the top bit, then five bits each of blue, green and red.
constexpr std::uint16_t colour_top_bit = 0x8000;
constexpr unsigned colour_blue_shift = 10;
constexpr unsigned colour_green_shift = 5;
constexpr unsigned colour_channel_mask = 0x1F;
constexpr unsigned colour_channel_scale = 3; // five bits widen to eight, low bits clear

// What a colour word's top bit does to its colour.
enum class transparency : std::uint8_t {
    plain,        // nothing: the word's colour
    top_bit_mask, // top bit set white, clear black
    mark_set,     // top bit set becomes the marker
    mark_clear,   // top bit clear becomes the marker
};
// The marker colour: never the result of a plain conversion, whose channels are
// multiples of eight, so a marked pixel is always told apart from black.
constexpr std::uint8_t trans_marker_value = 1;

constexpr std::uint32_t palette_entry_size = 4; // blue, green, red, 0
constexpr std::uint32_t palette_entries = 256;
constexpr std::uint32_t palette_size = palette_entries * palette_entry_size;
// A palette as the disc stores it: 256 colour words, one block behind the other.
constexpr std::uint32_t palette_block_size = palette_entries * 2;

// Whether a picture converted under mode carries the marker colour for see-through pixels.
constexpr bool marks_pixels(transparency mode) {
    return mode == transparency::mark_clear || mode == transparency::mark_set;
}

// Converts one colour word to blue, green, red in out[0..2] under mode. Fails (bad argument)
// for null out.
result<void> dec_ss_col(std::uint16_t word, std::uint8_t* out, transparency mode);

// Converts count big-endian colour words into count palette entries under mode.
// Fails (bad argument) for a zero count or a null pointer.
result<void> dec_ss_pal(const std::uint8_t* src, std::uint8_t* out, std::uint32_t count,
                        transparency mode);

// The byte length of one 24-bit row: three bytes a pixel, filled to four-byte alignment.
constexpr std::uint32_t rgb_row_size(std::uint32_t width) {
    return width * 3 + width % 4;
}

// Converts width x height big-endian colour words, top row first, into 24-bit rows of
// rgb_row_size(width) bytes under mode. dst may be src itself; otherwise they must not overlap.
// Fails with a bad argument for a zero-sized picture, a null pointer or a picture whose rows
// do not fit 32 bits; with no memory when the copy for converting in place cannot be had.
result<void> dec_ss_hc(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t width,
                       std::uint32_t height, transparency mode);
