// A small 5x7 bitmap font for labelling sample pictures with their own names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace sample {

constexpr int glyph_width = 5;
constexpr int glyph_height = 7;
constexpr int glyph_advance = glyph_width + 1;

// 16-bit picture words, top row first.
struct word_canvas {
    std::span<std::uint16_t> words;
    int width;
    int height;
};

// 8-bit palette indices, top row first.
struct byte_canvas {
    std::span<std::uint8_t> bytes;
    int width;
    int height;
};

// Applied to the words under a glyph's set pixels: word = (word & keep) | set.
// Keeping everything but one bit lets text show only through that bit.
struct ink_style {
    std::uint16_t keep;
    std::uint16_t set;
};

// Pixel width of text drawn at the given scale.
int text_width(std::string_view text, int scale);

// Draws text with its top left corner at (x, y); pixels off the canvas are dropped.
// Returns false if a character has no glyph (nothing is drawn for it).
bool draw_text(word_canvas canvas, int x, int y, int scale, std::string_view text, ink_style ink);
// The same on palette indices: every pixel under the text becomes index.
bool draw_text(byte_canvas canvas, int x, int y, int scale, std::string_view text,
               std::uint8_t index);

} // namespace sample
