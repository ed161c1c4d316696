// The input of the picture writers' targets, fuzz_bmp and fuzz_png, shared with the seed maker:
// width and height (2 bytes each, big-endian, taken modulo max_side + 1), a depth selector, then
// the bytes that fill the palette and the rows, repeated as needed.
#pragma once

#include "encode/byte_sink.hpp"
#include "encode/picture.hpp"
#include "gfx/colour.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

constexpr std::uint32_t max_side = 600;
constexpr std::uint16_t depths[] = {1, 4, 8, 24}; // picked by the selector modulo 4
constexpr std::uint8_t marker_flag = 0x80; // in the selector: fuzz_png keys out the marker colour
constexpr std::size_t picture_header_size = 5;
constexpr std::uint16_t bits_rgb = 24;

using byte_block = std::unique_ptr<std::uint8_t[]>;

struct picture_input {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    bool marker_transparent = false;
    std::uint32_t stride = 0;
    std::uint32_t palette_size = 0;
    byte_block palette;       // exactly palette_size bytes of blue, green, red, 0; none for 24 bits
    byte_block pixels;        // exactly stride x height bytes, spare bits and padding as they come
    std::vector<rgb> colours; // the palette's entries

    bool indexed() const { return bits != bits_rgb; }
    pixel_format format() const {
        return bits == 1   ? pixel_format::index1
               : bits == 4 ? pixel_format::index4
               : bits == 8 ? pixel_format::index8
                           : pixel_format::bgr8;
    }
    image view() const {
        const rgb marker = {trans_marker_value, trans_marker_value, trans_marker_value};
        return {width,
                height,
                format(),
                pixels.get(),
                stride,
                colours,
                marker_transparent ? std::optional<rgb>(marker) : std::nullopt};
    }
};

// Bytes an encoder writes, kept in memory.
struct memory_output {
    std::vector<std::uint8_t> bytes;

    byte_sink sink() {
        return {this,
                [](void* target, const std::uint8_t* data, std::size_t count) -> result<void> {
                    auto& kept = static_cast<memory_output*>(target)->bytes;
                    kept.insert(kept.end(), data, data + count);
                    return {};
                }};
    }
};

// Exactly size bytes, filled from the input cyclically.
inline byte_block filled(std::size_t size, const std::uint8_t* data, std::size_t length,
                         std::size_t& next) {
    byte_block block(new std::uint8_t[size]);
    for (std::size_t i = 0; i < size; ++i, ++next) {
        block[i] = length != 0 ? data[next % length] : static_cast<std::uint8_t>(next);
    }
    return block;
}

// The picture a fuzz input names; false when it is too short to name one.
inline bool read_picture_input(const std::uint8_t* data, std::size_t size, picture_input& p) {
    if (size < picture_header_size) {
        return false;
    }
    p.width = ((data[0] << 8) | data[1]) % (max_side + 1);
    p.height = ((data[2] << 8) | data[3]) % (max_side + 1);
    p.bits = depths[data[4] % std::size(depths)];
    p.marker_transparent = (data[4] & marker_flag) != 0;
    const std::uint8_t* fill = data + picture_header_size;
    const std::size_t fill_length = size - picture_header_size;

    p.stride = bmp_stride(p.width, p.bits);
    p.palette_size = p.bits == bits_rgb ? 0 : (1u << p.bits) * palette_entry_size;
    std::size_t next = 0;
    p.palette = p.bits == bits_rgb ? nullptr : filled(p.palette_size, fill, fill_length, next);
    p.pixels = filled(std::size_t{p.stride} * p.height, fill, fill_length, next);
    for (std::uint32_t i = 0; i < p.palette_size; i += palette_entry_size) {
        const std::uint8_t* entry = p.palette.get() + i; // blue, green, red, 0
        p.colours.push_back({entry[2], entry[1], entry[0]});
    }
    return true;
}
