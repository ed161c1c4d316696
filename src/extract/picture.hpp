// What every picture routine shares: disc paths, table areas, the last step.
#pragma once

#include "app/errormes.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// A disc file name of up to 12 characters, or a picture's name, with the terminator.
constexpr std::size_t file_name_size = 16;

// A 64-entry-wide pattern name table of 32 rows, as loaded into an area of 8192 bytes.
constexpr std::uint32_t map_columns = 64;
constexpr std::uint32_t map_rows = 32;
constexpr std::uint32_t map_entries = map_columns * map_rows;
constexpr std::uint32_t map_area_size = 8192;
constexpr std::uint32_t map_area_entries = map_area_size / 2;
constexpr std::uint16_t map_entry_bits = 16;

// Tables are loaded and cut as bytes, and read as entries.
inline std::uint8_t* entry_bytes(std::uint16_t* entries) {
    return reinterpret_cast<std::uint8_t*>(entries);
}

enum class picture_format { bmp, png };

// How the pictures of the run are written, BMP unless chosen otherwise. False when this
// build cannot write the format.
bool set_picture_format(picture_format format);
// The formats this build writes, for --version.
std::string picture_format_support();

// Writes a finished picture, named NAME.BMP, in the chosen format (a PNG file is named
// NAME.PNG), and reports a failure under the writer's name. Returns 0 or -1.
status write_picture(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
                     std::uint32_t width, std::uint32_t height, std::uint16_t bits);
