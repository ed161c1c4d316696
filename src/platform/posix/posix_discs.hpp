// The folder disc on a system without drive letters, and the files it reads.
#pragma once

#include "platform/disc.hpp"

#include <memory>
#include <string>

// The disc whose root is the folder at path; null when it cannot be listed.
std::unique_ptr<disc> open_folder_disc(std::string root, const std::string& path);

// Opens a regular file (or a link to one) for reading, relative to the folder dir_fd
// (AT_FDCWD: the current one); -1 for anything else. A FIFO or a device never gets to
// block the run: the open does not wait, and the file is checked before it is read.
int open_regular_file(int dir_fd, const char* path);

// Reads count bytes from fd at offset; false when the file could not be read to the end of
// the bytes it has. delivered gets the bytes read either way.
bool read_up_to(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t count,
                std::size_t& delivered);
