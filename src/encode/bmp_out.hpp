// Writing a picture as an uncompressed BMP file.
#pragma once

#include "encode/picture.hpp"

#include <cstdio>

// Writes p to file as a BMP: the headers, the palette below 24 bits, the rows bottom-up.
// Returns 0; -501 when check_picture refuses p (nothing written); -602 when a write fails,
// with errno as the failing call left it.
status bmp_out(std::FILE* file, const picture& p);
