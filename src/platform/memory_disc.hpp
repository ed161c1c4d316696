// A disc held in memory, for programs that drive the extraction without a drive (the
// fuzzer). Linked in place of the system's disc access; every drive letter names it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct memory_file {
    std::string name; // in the root directory
    std::vector<std::uint8_t> data;
};

// Puts these files on the disc, replacing what was there.
void memory_disc_set(std::vector<memory_file> files);
