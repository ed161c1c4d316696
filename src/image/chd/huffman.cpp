#include "image/chd/huffman.hpp"

#include <iterator>

namespace {

// A length field in the tree: 4 bits where codes reach 8 bits.
constexpr unsigned tree_field_bits = 4;
// A field of 1 escapes: 1 again is a length of 1, else that length repeated.
constexpr std::uint32_t tree_escape = 1;
constexpr std::uint32_t least_repeat = 3;
constexpr unsigned longest_length = 32;

// Codes by length, longest first: each length's codes follow on from the longer ones', the
// first of a length half the next free code of the length above. False where a length's
// codes leave a half code (the 1-bit length may, as the tools' own check passes it).
bool assign_codes(const map_code& code, std::uint32_t (&first)[longest_length + 1]) {
    std::uint32_t count[longest_length + 1] = {};
    for (const std::uint8_t length : code.lengths) {
        if (length > map_code_bits) {
            return false;
        }
        ++count[length];
    }
    std::uint32_t start = 0;
    for (unsigned length = longest_length; length > 0; --length) {
        const std::uint32_t next = (start + count[length]) >> 1;
        if (length != 1 && next * 2 != start + count[length]) {
            return false;
        }
        first[length] = start;
        start = next;
    }
    return true;
}

} // namespace

std::uint32_t peek_bits(const bit_reader& bits, unsigned count) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint64_t bit = bits.at + i;
        const std::uint64_t byte = bit / 8;
        const std::uint32_t b = byte < bits.size ? (bits.data[byte] >> (7 - bit % 8)) & 1u : 0u;
        value = value << 1 | b;
    }
    return value;
}

std::uint32_t read_bits(bit_reader& bits, unsigned count) {
    const std::uint32_t value = peek_bits(bits, count);
    bits.at += count;
    return value;
}

bool read_map_code(bit_reader& bits, map_code& code) {
    code = map_code{};
    for (unsigned symbol = 0; symbol < map_symbols;) {
        std::uint32_t length = read_bits(bits, tree_field_bits);
        if (length != tree_escape) {
            code.lengths[symbol++] = static_cast<std::uint8_t>(length);
            continue;
        }
        length = read_bits(bits, tree_field_bits);
        if (length == tree_escape) {
            code.lengths[symbol++] = static_cast<std::uint8_t>(length);
            continue;
        }
        const std::uint32_t repeat = read_bits(bits, tree_field_bits) + least_repeat;
        if (repeat > map_symbols - symbol) {
            return false;
        }
        for (std::uint32_t i = 0; i < repeat; ++i) {
            code.lengths[symbol++] = static_cast<std::uint8_t>(length);
        }
    }
    std::uint32_t first[longest_length + 1] = {};
    if (bits.overran() || !assign_codes(code, first)) {
        return false;
    }
    for (unsigned symbol = 0; symbol < map_symbols; ++symbol) {
        const unsigned length = code.lengths[symbol];
        if (length == 0) {
            continue;
        }
        const std::uint32_t value = first[length]++;
        const unsigned shift = map_code_bits - length;
        const std::uint32_t from = value << shift;
        const std::uint32_t to = (value + 1) << shift;
        if (to > std::size(code.lookup)) {
            return false;
        }
        for (std::uint32_t i = from; i < to; ++i) {
            code.lookup[i] = static_cast<std::uint16_t>(symbol << 4 | length);
        }
    }
    return true;
}

std::uint8_t read_symbol(bit_reader& bits, const map_code& code) {
    const std::uint16_t entry = code.lookup[peek_bits(bits, map_code_bits)];
    bits.at += entry & 0x0F;
    return static_cast<std::uint8_t>(entry >> 4);
}
