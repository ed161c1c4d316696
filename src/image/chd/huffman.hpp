// The coding of a CHD map's hunk types: bits read from the most significant first, and a
// 16-symbol Huffman code of at most 8 bits a code, its tree sent as run-length coded code
// lengths.
#pragma once

#include <cstddef>
#include <cstdint>

// Bits of a buffer, most significant first. Past its end it gives zeros and says so.
struct bit_reader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint64_t at = 0; // in bits

    bool overran() const { return at > std::uint64_t{size} * 8; }
};

// The next count bits (at most 32) as a number; 0 for count 0.
std::uint32_t peek_bits(const bit_reader& bits, unsigned count);
std::uint32_t read_bits(bit_reader& bits, unsigned count);

constexpr unsigned map_symbols = 16;
constexpr unsigned map_code_bits = 8;

struct map_code {
    std::uint8_t lengths[map_symbols] = {};
    // By the next map_code_bits bits: the symbol << 4 | its code's length.
    std::uint16_t lookup[1u << map_code_bits] = {};
};

// Reads the tree and builds the lookup. False for a tree that is no code.
bool read_map_code(bit_reader& bits, map_code& code);

// The next symbol. Bits that start no code give symbol 0 and take no bits: the map's CRC
// catches what that spoils.
std::uint8_t read_symbol(bit_reader& bits, const map_code& code);
