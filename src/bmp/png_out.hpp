// Writing a picture as a PNG file, pixel for pixel what bmp_out writes. Built where libspng is
// found: png_output_built tells at compile time whether png_out writes anything.
#pragma once

#include "app/errormes.hpp"
#include "bmp/png_built.hpp"

#include <cstdint>

// Writes name from what bmp_out takes (rows of bmp_stride(width, bits) bytes, top row first; a
// palette of 2^bits blue, green, red, 0 entries, absent for 24 bits) as an indexed PNG of the
// same depth and palette, or as 8-bit RGB for 24 bits, then prints "done > name". With
// marker_transparent (24 bits only) the marker colour (1, 1, 1) is named transparent and every
// colour stays as it is. Returns 0; -501 for bad arguments or a picture that bmp_out refuses
// (nothing created); -503 when the encoder's memory cannot be had; -602 when the file cannot be
// created or written. A failure leaves no file. Callers report failures under "png_out".
// Where png_output_built is false, or libspng cannot be loaded, it creates nothing and returns
// -202.
// Whether PNG files can be written: the build has the writer and libspng, loaded when first
// needed, is there.
bool png_writer_ready();

status png_out(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
               std::uint32_t width, std::uint32_t height, std::uint16_t bits,
               bool marker_transparent);
