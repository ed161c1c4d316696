// What the picture routines share: name buffers and pattern name table areas.
#pragma once

#include <cstddef>
#include <cstdint>

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
