// Writing a picture as an uncompressed BMP file.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"

// Writes p into sink as a BMP: the headers, the palette below 24 bits, the rows bottom-up.
// Fails with bad_argument when check_picture refuses p (nothing written), else with the
// sink's own error when a write fails.
result<void> bmp_out(const byte_sink& sink, const picture& p);
