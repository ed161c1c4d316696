#include "disc/cnx.hpp"

#include "platform/heap.hpp"

#include <cstring>

namespace {

constexpr std::uint8_t cnx_magic[cnx_magic_size] = {'C', 'N', 'X'};

// A flag byte holds four two-bit command codes, the next one always in bits 1-0.
constexpr unsigned commands_per_group = 4;
constexpr unsigned code_bits = 2;
constexpr unsigned code_mask = 0x3;
constexpr unsigned code_skip = 0;
constexpr unsigned code_literal = 1;
constexpr unsigned code_run = 3;
// The fourth code, 2, is the back-reference.

// A back-reference is two bytes A, B: distance A * 8 + (B >> 5) + 1, length (B & 31) + 4.
constexpr unsigned backref_distance_shift = 3;
constexpr unsigned backref_low_distance_shift = 5;
constexpr unsigned backref_length_mask = 0x1F;
constexpr std::uint32_t backref_min_distance = 1;
constexpr std::uint32_t backref_min_length = 4;

// Copies a back-reference of length bytes from distance bytes back. A distance below the
// length repeats what this very copy writes, byte by byte; from a word or more back the copy
// goes a word at a time, which reads each byte only after it has been written. Nothing is
// written past the copy.
void copy_match(std::uint8_t* to, std::uint32_t distance, std::uint32_t length) {
    constexpr std::uint32_t word = 8;
    constexpr std::uint32_t half = 4;
    const std::uint8_t* from = to - distance;
    if (distance >= word) {
        if (length < word) { // 4 to 7 bytes: two half words that may overlap
            std::memcpy(to, from, half);
            std::memcpy(to + length - half, from + length - half, half);
            return;
        }
        std::uint32_t k = 0;
        for (; k + word <= length; k += word) {
            std::memcpy(to + k, from + k, word);
        }
        if (k < length) { // the last word ends where the copy ends
            std::memcpy(to + length - word, from + length - word, word);
        }
    } else if (distance == 1) {
        std::memset(to, *from, length);
    } else {
        for (std::uint32_t k = 0; k < length; ++k) {
            to[k] = from[k];
        }
    }
}

std::uint32_t read_be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

bool is_cnx(const std::uint8_t* bytes, std::uint32_t length) {
    return length >= cnx_magic_size && std::memcmp(bytes, cnx_magic, cnx_magic_size) == 0;
}

status dec_cnxlz(const std::uint8_t* stream, std::uint8_t* output, std::uint32_t stream_length,
                 std::uint32_t expected_length) {
    if (stream == nullptr || output == nullptr) {
        return err_argument;
    }
    const std::uint32_t end = stream_length;
    const std::uint32_t full = expected_length;
    // i never passes end and o never passes full: each step below checks before it moves.
    std::uint32_t i = 0;
    std::uint32_t o = 0;
    for (;;) {
        if (i >= end) {
            return err_overrun;
        }
        unsigned flags = stream[i++];
        if (flags == 0 && o == full) {
            return st_ok;
        }
        for (unsigned n = 0; n < commands_per_group; ++n, flags >>= code_bits) {
            // Every command, whatever it is, needs two stream bytes left.
            if (end - i < 2) {
                return err_overrun;
            }
            const unsigned code = flags & code_mask;
            if (code == code_skip) {
                const std::uint32_t count = stream[i];
                // Passing the end is caught at the next group start.
                i = (count >= end - i - 1) ? end : i + 1 + count;
                break;
            }
            if (code == code_literal) {
                if (o == full) {
                    return err_overrun;
                }
                output[o++] = stream[i++];
            } else if (code == code_run) {
                const std::uint32_t count = stream[i++];
                // The run must be followed by at least one more stream byte.
                if (count >= end - i || count > full - o) {
                    return err_overrun;
                }
                std::memcpy(output + o, stream + i, count);
                i += count;
                o += count;
            } else { // back-reference
                const std::uint32_t a = stream[i];
                const std::uint32_t b = stream[i + 1];
                const std::uint32_t distance = (a << backref_distance_shift) +
                                               (b >> backref_low_distance_shift) +
                                               backref_min_distance;
                const std::uint32_t length = (b & backref_length_mask) + backref_min_length;
                if (distance > o) {
                    return err_reference;
                }
                if (length > full - o) {
                    return err_overrun;
                }
                i += 2;
                copy_match(output + o, distance, length);
                o += length;
            }
        }
    }
}

status dec_cnxdat(const std::uint8_t* input, std::uint8_t* output, std::uint32_t input_length,
                  std::uint32_t output_capacity) {
    if (input == nullptr || output == nullptr || input_length <= cnx_header_size ||
        !is_cnx(input, input_length)) {
        return err_argument;
    }
    const std::uint32_t unpacked = read_be32(input + cnx_unpacked_size_offset);
    if (unpacked > output_capacity || unpacked > cnx_max_unpacked) {
        return err_overrun;
    }
    // Unpacking in place would overwrite the stream before it is read: read a copy.
    heap_block copy;
    if (input == output) {
        copy = heap_copy(input, input_length);
        if (!copy) {
            return err_memory;
        }
        input = copy.get();
    }
    const status result = errormes(
        dec_cnxlz(input + cnx_header_size, output, input_length - cnx_header_size, unpacked),
        "dec_cnxlz");
    return result != st_ok ? result : static_cast<status>(unpacked);
}
