// CHD images as an image format: told by their tag, opened to the first data track,
// whose hunks are decompressed as its sectors are read.
#pragma once

#include "image/image_formats.hpp"

#include <memory>
#include <string>

// Hunks kept decompressed: a run reads the disc's files mostly in order, and a hunk is
// decompressed again only where files that share it are read apart (an eighth more on the
// sample disc; more hunks kept buy little and cost 18 KiB each).
constexpr std::size_t chd_hunks_kept = 3;

bool probe_chd(const image_file& file);
// In a build without the codecs' libraries, the error that says they were left out.
result<opened_image> open_chd(std::unique_ptr<image_file> file, const std::string& path,
                              file_beside beside);
