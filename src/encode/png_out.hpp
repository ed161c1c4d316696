// Writing a picture as a PNG file, pixel for pixel what bmp_out writes. Built where libspng is
// found: png_output_built tells at compile time whether png_out writes anything.
#pragma once

#include "encode/picture.hpp"
#include "encode/png_built.hpp"

#include <cstdio>

// Whether PNG files can be written: the build has the writer and libspng, loaded when first
// needed, is there.
bool png_writer_ready();

// Writes p to file as an indexed PNG of the same depth and palette, or as 8-bit RGB for 24
// bits. With p.marker_transparent the marker colour (1, 1, 1) is named transparent and every
// colour stays as it is. Returns 0; -501 when check_picture refuses p (nothing written);
// -503 when the encoder's memory cannot be had; -602 when a write fails; -202 where the
// build has no writer or libspng cannot be loaded.
status png_out(std::FILE* file, const picture& p);
