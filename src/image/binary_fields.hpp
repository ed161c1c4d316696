// The fields of the binary files that describe an image (an Alcohol descriptor, a Nero chunk
// list): unsigned numbers of a fixed width at a fixed place in a block, read only where the
// bytes hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// A field of a block: at bytes in, width bytes wide (at most 8).
struct field {
    std::uint32_t at;
    std::uint32_t width;
};

enum class byte_order { little, big };

// The field of the block that starts block bytes into bytes. False where the bytes end
// before the field does.
inline bool read_field(std::span<const std::uint8_t> bytes, std::uint64_t block, field f,
                       byte_order order, std::uint64_t& value) {
    if (block > bytes.size() || bytes.size() - block < std::uint64_t{f.at} + f.width) {
        return false;
    }
    const std::uint8_t* p = bytes.data() + block + f.at;
    value = 0;
    for (std::uint32_t i = 0; i < f.width; ++i) {
        const std::uint32_t shift = order == byte_order::little ? i : f.width - 1 - i;
        value |= std::uint64_t{p[i]} << (8 * shift);
    }
    return true;
}

// Whether the bytes at at are the tag's.
inline bool tag_at(std::span<const std::uint8_t> bytes, std::uint64_t at, std::string_view tag) {
    if (at > bytes.size() || bytes.size() - at < tag.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (bytes[at + i] != static_cast<std::uint8_t>(tag[i])) {
            return false;
        }
    }
    return true;
}
