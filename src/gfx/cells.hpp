// Cells to pixel rows, and rectangles out of pictures and tables.
#pragma once

#include "core/error.hpp"

#include <cstdint>

constexpr std::uint32_t cell_side = 8; // pixels, and rows of a cell

// Lays the cells named by a normalised width x height table (host order) side by side
// into rows of width x 8 pixels of depth bits, top row first. Cell e starts at byte e x 32
// of cells and must lie within its first length bytes. dst (8 x depth x width x height
// bytes) may be cells itself: every cell is gathered before dst is written. Fails with a bad
// argument for a null pointer, a zero depth or size, or a cell outside the data; unsupported
// for an odd (mixed-palette) depth; no memory when the working block cannot be had.
result<void> dec_s8_tile(const std::uint8_t* cells, std::uint8_t* dst, const std::uint16_t* table,
                         std::uint32_t length, std::uint32_t width, std::uint32_t height,
                         std::uint16_t depth);

// Copies the width x height rectangle at column x, row y out of a packed src_width x
// src_height picture of bits per pixel (whole bytes only) into dst, packed. dst may be src
// itself. Nothing is written for an empty rectangle. Fails (bad argument) when the rectangle
// leaves the source, the source is empty or under 8 bits, or a pointer is null.
result<void> cutimage(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t src_width,
                      std::uint32_t src_height, std::uint32_t width, std::uint32_t height,
                      std::uint32_t x, std::uint32_t y, std::uint16_t bits);
