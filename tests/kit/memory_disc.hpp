// A disc held in memory, for programs that run the extraction without a drive (the tests
// and the fuzz targets).
#pragma once

#include "platform/disc.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct memory_file {
    std::string name; // in the root directory
    std::vector<std::uint8_t> data;
};

// A disc of these files, named in messages by root.
std::unique_ptr<disc> open_memory_disc(std::string root, std::vector<memory_file> files);
