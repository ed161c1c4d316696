// Writing an image as an uncompressed BMP file.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"

// The size of the BMP file of an image: headers, palette and rows filled to 32-bit words.
std::uint64_t bmp_file_size(std::uint32_t width, std::uint32_t height, pixel_format format);

// Writes p into sink as a BMP: the headers, the palette below 24 bits, the rows bottom-up.
// Fails with bad_argument when check_image refuses p (nothing written), else with the
// sink's own error when a write fails.
result<void> bmp_out(const byte_sink& sink, const image& p);
