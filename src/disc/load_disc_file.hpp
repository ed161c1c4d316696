// Reading one disc file into a caller's buffer, unpacked when it is a CNX container.
#pragma once

#include "core/error.hpp"

#include <cstdint>

class disc;

// Reads as much of the root file `name` of the disc as fits into buffer (capacity bytes, at
// most largest_block) and unpacks it there when it is a CNX container. Gives the number of
// valid bytes at the start of buffer; else a bad argument, a file not found or a read
// failure under the file's path, or the container's error. Bytes past what the file
// delivered keep what they held.
result<std::uint32_t> load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                                     std::uint32_t capacity);
