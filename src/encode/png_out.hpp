// Writing an image as a PNG file, pixel for pixel what bmp_out writes. Built where libspng is
// found: png_output_built tells at compile time whether png_out writes anything.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"
#include "encode/png_built.hpp"

// Whether PNG files can be written: the build has the writer and libspng, loaded when first
// needed, is there.
bool png_writer_ready();

// Writes p into sink as an indexed PNG of the same depth and palette, or as 8-bit RGB for
// bgr8. With a colour key, that colour is named transparent (tRNS) and every colour stays as
// it is. Fails with bad_argument when check_image refuses p (nothing
// written); no_memory when the encoder's memory cannot be had; the sink's own error when a
// write fails; write_failed, with libspng's words, when libspng cannot encode it;
// unsupported where the build has no writer or libspng cannot be loaded.
result<void> png_out(const byte_sink& sink, const image& p);
