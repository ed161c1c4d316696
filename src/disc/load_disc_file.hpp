// Reading one disc file into a caller's buffer, unpacked when it is a CNX container.
#pragma once

#include "app/errormes.hpp"

#include <cstdint>

class disc;

// Reads as much of the root file `name` of the disc as fits into buffer (capacity bytes, at
// most largest_block) and unpacks it there when it is a CNX container. Returns the number
// of valid bytes at the start of buffer; -501 unreported for refused arguments; -1 for a
// failure it has reported under the file's path (a file that cannot be opened or read, a
// container that cannot be unpacked). Bytes past what the file delivered keep what they
// held.
status load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                      std::uint32_t capacity);
