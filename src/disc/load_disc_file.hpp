// Reading one disc file into a caller's buffer, unpacked when it is a CNX container.
#pragma once

#include "core/status.hpp"

#include <cstdint>

class disc;

// Reads as much of the root file `name` of the disc as fits into buffer (capacity bytes, at
// most largest_block) and unpacks it there when it is a CNX container. Returns the number
// of valid bytes at the start of buffer, or a negative code with failure filled in: -501
// for refused arguments; -201 or -601 under the file's path for a file that cannot be
// opened or read; the container's code and routine for one that cannot be unpacked. Bytes
// past what the file delivered keep what they held.
status load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                      std::uint32_t capacity, fault& failure);
