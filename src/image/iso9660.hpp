// The root directory of an ISO 9660 volume, read from any sector source.
#pragma once

#include "image/image_formats.hpp"
#include "image/sectors.hpp"

#include <cstdint>
#include <string>
#include <vector>

// Where a run of a file's data lies.
struct iso_extent {
    std::uint32_t sector;
    std::uint32_t size;
};

// A file of the root: its name as recorded (version and all), and its extents in order; a
// file recorded in several extents is read as their bytes one behind the other.
struct iso_file {
    std::string name;
    std::vector<iso_extent> extents;
};

// The primary volume descriptor sits in sector 16.
constexpr std::uint32_t volume_descriptor_sector = 16;
// A root of more than 4 MiB is no disc this program reads: that is some 35,000 files with
// Rock Ridge entries (about 120 bytes a record), 120,000 without.
constexpr std::uint32_t largest_root = 4u << 20;

// Whether a descriptor sector is a primary volume descriptor.
bool is_primary_volume(const std::uint8_t* sector);

// The root's files (never folders nor associated files), after checking the descriptor and
// that the root it records has a size of whole sectors, at most largest_root, inside the
// image. False when the source holds no volume this program reads.
bool list_iso_root(const sector_source& source, std::vector<iso_file>& files);

// Volumes as image formats: sectors of 2048 bytes one behind the other (an .iso, a drive),
// or in raw frames of mode 1 or mode 2 (a .bin). Each is told by the volume descriptor in
// its sector 16.
bool probe_iso_image(const image_file& file);
result<opened_image> open_iso_image(std::unique_ptr<image_file> file, const std::string& path,
                                    file_beside beside);
bool probe_raw_image(const image_file& file);
result<opened_image> open_raw_image(std::unique_ptr<image_file> file, const std::string& path,
                                    file_beside beside);
