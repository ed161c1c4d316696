#include "disc/cnx.hpp"

#include "platform/heap.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
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
constexpr unsigned code_backref = 2;

// A back-reference is two bytes A, B: distance A * 8 + (B >> 5) + 1, length (B & 31) + 4.
constexpr unsigned backref_distance_shift = 3;
constexpr unsigned backref_low_distance_shift = 5;
constexpr unsigned backref_length_mask = 0x1F;
constexpr std::uint32_t backref_min_distance = 1;
constexpr std::uint32_t backref_min_length = 4;

constexpr std::uint32_t word = 8;

// Copies n bytes between blocks that do not overlap, in whole words where it can. The
// words may overlap each other but never pass the end of either block.
void copy_bytes(std::uint8_t* to, const std::uint8_t* from, std::uint32_t n) {
    constexpr std::uint32_t wide = 2 * word;
    constexpr std::uint32_t half = word / 2;
    if (n >= wide) {
        std::uint32_t k = 0;
        for (; k + wide <= n; k += wide) {
            std::memcpy(to + k, from + k, wide);
        }
        std::memcpy(to + n - wide, from + n - wide, wide); // the last ends where n ends
    } else if (n >= word) {
        std::memcpy(to, from, word);
        std::memcpy(to + n - word, from + n - word, word);
    } else if (n >= half) {
        std::memcpy(to, from, half);
        std::memcpy(to + n - half, from + n - half, half);
    } else {
        for (std::uint32_t k = 0; k < n; ++k) {
            to[k] = from[k];
        }
    }
}

// Copies length bytes from distance bytes back, distance a word or more: a word at a time,
// each word read only after the bytes it takes from this copy have been written.
void copy_in_words(std::uint8_t* to, std::uint32_t distance, std::uint32_t length) {
    const std::uint8_t* from = to - distance;
    if (length < word) { // nothing of this copy is read back: two half words may overlap
        copy_bytes(to, from, length);
        return;
    }
    std::uint32_t k = 0;
    for (; k + word <= length; k += word) {
        std::memcpy(to + k, from + k, word);
    }
    if (k < length) {
        std::memcpy(to + length - word, from + length - word, word);
    }
}

// Copies a back-reference. A distance below the length repeats what this very copy
// writes; the bytes then repeat every distance, and so every multiple of it, which is how
// a short distance still gets copied a word at a time. Nothing is written past the copy.
void copy_match(std::uint8_t* to, std::uint32_t distance, std::uint32_t length) {
    if (distance >= word) {
        copy_in_words(to, distance, length);
    } else if (distance == 1) {
        std::memset(to, *(to - 1), length);
    } else {
        const std::uint32_t period = distance * ((word + distance - 1) / distance);
        const std::uint32_t head = std::min(length, period - distance);
        const std::uint8_t* from = to - distance;
        for (std::uint32_t k = 0; k < head; ++k) {
            to[k] = from[k];
        }
        if (head < length) {
            copy_in_words(to + head, period, length - head);
        }
    }
}

// The longest run or skip, and the longest back-reference.
constexpr std::uint32_t max_count = 255;
constexpr std::uint32_t max_backref_length = backref_length_mask + backref_min_length;

// The fast loop copies in fixed-size 16-byte blocks, which may write past a copy's end: no
// copy writes more than three blocks from where it starts, the overshoot margin every group
// needs in the output beyond its commands' longest.
constexpr std::uint32_t block = 16;
constexpr std::uint32_t overshoot_margin = 3 * block;
// A back-reference from 16 or more back copies two blocks and a half word, which hold the
// longest; from nearer, whole words that hold the longest.
constexpr std::uint32_t backref_block_copy = 2 * block + word / 2;
constexpr std::uint32_t near_copy_words = (max_backref_length + word - 1) / word;
static_assert(backref_block_copy >= max_backref_length && backref_block_copy <= overshoot_margin);
static_assert(near_copy_words * word <= overshoot_margin);

// Every command needs two stream bytes left where it starts, even a literal.
constexpr std::uint32_t command_room = 2;

std::uint32_t backref_distance(std::uint32_t a, std::uint32_t b) {
    return (a << backref_distance_shift) + (b >> backref_low_distance_shift) + backref_min_distance;
}

std::uint32_t backref_length(std::uint32_t b) {
    return (b & backref_length_mask) + backref_min_length;
}

// The word arithmetic below takes the first byte in memory as a word's lowest byte, as on
// every machine this program is built for.
static_assert(std::endian::native == std::endian::little);

// A back-reference's first word, by distance below 16: from a word or more back the word
// is the bytes themselves (`keep` all ones, `spread` 1); nearer, the `distance` bytes that
// `keep` lets through repeat, laid over the word by a multiply with a 1 in the lowest byte
// of every repeat.
// `period` is the nearest multiple of the distance a word or more back, from where the
// copy goes on a word at a time, each word repeating what the copy has laid.
struct near_pattern {
    std::uint64_t keep;
    std::uint64_t spread;
    std::uint32_t period;
    std::uint32_t second; // where the second half word is read, from the first
};

constexpr std::uint32_t near_limit = 16;

constexpr std::array<near_pattern, near_limit> near_patterns = [] {
    std::array<near_pattern, near_limit> patterns{};
    for (std::uint32_t distance = 1; distance < near_limit; ++distance) {
        near_pattern& p = patterns[distance];
        p.keep = ~std::uint64_t{0};
        p.spread = 1;
        if (distance < word) {
            p.keep = (std::uint64_t{1} << (8 * distance)) - 1;
            for (std::uint32_t k = distance; k < word; k += distance) {
                p.spread |= std::uint64_t{1} << (8 * k);
            }
        }
        p.period = distance * ((word + distance - 1) / distance);
        // Up to half a word, the first half word holds the bytes: the second is read again
        // from the same place, rather than from output the copy is about to write.
        p.second = distance <= word / 2 ? 0 : word / 2;
    }
    return patterns;
}();

// Copies a back-reference from fewer than 16 bytes back, writing up to 31 bytes past its
// end. The bytes it repeats are read as two half words: they are the last output, written
// by the commands just before, and a read that spans two writes not yet in the cache waits
// for both to get there, where a read inside one write is served at once. A word built from
// them is written as often as the copy needs, or, where the period is not a word, the rest
// goes on a word at a time.
void copy_near(std::uint8_t* to, std::uint32_t distance, std::uint32_t length) {
    constexpr std::uint32_t half = word / 2;
    const near_pattern& pattern = near_patterns[distance];
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::memcpy(&first, to - distance, half);
    std::memcpy(&second, to - distance + pattern.second, half);
    const std::uint64_t w = ((first | std::uint64_t{second} << 32) & pattern.keep) * pattern.spread;
    std::memcpy(to, &w, word);
    if (length <= word) {
        return;
    }
    if (pattern.period == word) {
        for (std::uint32_t k = 1; k < near_copy_words; ++k) {
            std::memcpy(to + k * word, &w, word);
        }
        return;
    }
    for (std::uint32_t k = word; k < length; k += word) {
        std::memcpy(to + k, to + k - pattern.period, word);
    }
}

// The room a group needs to go through the fast loop, by flag byte: the most its commands
// can take from the stream, its flag byte and a byte to spare included, and the most they
// can write, the overshoot margin included. A run or skip takes up to 256 bytes and a run
// writes up to 255.
struct group_room {
    std::uint16_t stream;
    std::uint16_t output;
};

constexpr std::array<group_room, 256> group_rooms = [] {
    std::array<group_room, 256> rooms{};
    for (unsigned flags = 0; flags < rooms.size(); ++flags) {
        std::uint32_t stream = 2; // the flag byte and a byte to spare
        std::uint32_t output = overshoot_margin;
        for (unsigned n = 0; n < commands_per_group; ++n) {
            const unsigned code = (flags >> (code_bits * n)) & code_mask;
            if (code == code_skip) {
                stream += 1 + max_count;
                break;
            }
            stream += code == code_literal ? 1 : code == code_backref ? 2 : 1 + max_count;
            output += code == code_literal   ? 1
                      : code == code_backref ? max_backref_length
                                             : max_count;
        }
        rooms[flags] = {static_cast<std::uint16_t>(stream), static_cast<std::uint16_t>(output)};
    }
    return rooms;
}();

// True when the size bytes from at lie before limit.
[[maybe_unused]] constexpr bool within(std::uint32_t at, std::uint32_t size, std::uint32_t limit) {
    return at <= limit && size <= limit - at;
}

// The fast loop: runs groups while the stream and the output have room for the group's
// longest commands plus the overshoot margin. No command can then run short of either, so
// only a back-reference's distance is tested, and every result is the one the tested path
// gives. Copies go in fixed-size blocks that may write past their end, into output that the
// commands after them write again. False for a distance before the start.
bool run_fast_loop(const std::uint8_t* stream, std::uint32_t& i_at, std::uint32_t end,
                   std::uint8_t* output, std::uint32_t& o_at, std::uint32_t full) {
    std::uint32_t i = i_at;
    std::uint32_t o = o_at;
    while (i < end) {
        unsigned flags = stream[i];
        if (end - i < group_rooms[flags].stream || full - o < group_rooms[flags].output) {
            break;
        }
        // Where the room just tested ends: debug builds hold every command to it.
        [[maybe_unused]] const std::uint32_t stream_limit = i + group_rooms[flags].stream;
        [[maybe_unused]] const std::uint32_t output_limit = o + group_rooms[flags].output;
        ++i;
        // Unrolled, each place in the group has branches of its own, whose outcomes the
        // processor learns apart.
#pragma GCC unroll 4
        for (unsigned n = 0; n < commands_per_group; ++n, flags >>= code_bits) {
            const unsigned code = flags & code_mask;
            // The room test promised every command its two stream bytes and the margin.
            assert(within(i, command_room, stream_limit));
            assert(within(o, overshoot_margin, output_limit));
            if (code == code_skip) {
                i += 1 + stream[i];
                break;
            }
            const std::uint32_t b0 = stream[i];
            std::uint8_t* to = output + o;
            if (code == code_backref) {
                const std::uint32_t b1 = stream[i + 1];
                const std::uint32_t distance = backref_distance(b0, b1);
                const std::uint32_t length = backref_length(b1);
                if (distance > o) {
                    return false;
                }
                if (distance < near_limit) {
                    copy_near(to, distance, length);
                } else {
                    // Two blocks and a half word hold the longest.
                    const std::uint8_t* from = to - distance;
                    std::memcpy(to, from, block);
                    std::memcpy(to + block, from + block, block);
                    std::memcpy(to + 2 * block, from + 2 * block, word / 2);
                }
                i += 2;
                o += length;
            } else if (code == code_run) {
                const std::uint8_t* from = stream + i + 1;
                // A short run copies up to the margin, a long one its own length.
                assert(within(i + 1, std::max(b0, overshoot_margin), stream_limit));
                assert(within(o, std::max(b0, overshoot_margin), output_limit));
                if (b0 <= block) {
                    std::memcpy(to, from, block);
                } else if (b0 <= overshoot_margin) { // three blocks
                    std::memcpy(to, from, block);
                    std::memcpy(to + block, from + block, block);
                    std::memcpy(to + 2 * block, from + 2 * block, block);
                } else {
                    copy_bytes(to, from, b0);
                }
                i += 1 + b0;
                o += b0;
            } else { // literal
                *to = static_cast<std::uint8_t>(b0);
                i += 1;
                o += 1;
            }
        }
    }
    i_at = i;
    o_at = o;
    return true;
}

error lz_error(error_kind kind) {
    return error{kind, routine_cnxlz};
}

std::uint32_t read_be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

bool is_cnx(const std::uint8_t* bytes, std::uint32_t length) {
    return length >= cnx_magic_size && std::memcmp(bytes, cnx_magic, cnx_magic_size) == 0;
}

result<void> dec_cnxlz(const std::uint8_t* stream, std::uint8_t* output,
                       std::uint32_t stream_length, std::uint32_t expected_length) {
    if (stream == nullptr || output == nullptr) {
        return lz_error(error_kind::bad_argument);
    }
    const std::uint32_t end = stream_length;
    const std::uint32_t full = expected_length;
    // i never passes end and o never passes full: each step below checks before it moves.
    std::uint32_t i = 0;
    std::uint32_t o = 0;
    for (;;) {
        // Groups with room for their longest commands need no tests of room.
        if (!run_fast_loop(stream, i, end, output, o, full)) {
            return lz_error(error_kind::bad_reference);
        }
        if (i >= end) {
            return lz_error(error_kind::overrun);
        }
        unsigned flags = stream[i++];
        if (flags == 0 && o == full) {
            return {};
        }
        for (unsigned n = 0; n < commands_per_group; ++n, flags >>= code_bits) {
            if (end - i < command_room) {
                return lz_error(error_kind::overrun);
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
                    return lz_error(error_kind::overrun);
                }
                output[o++] = stream[i++];
            } else if (code == code_run) {
                const std::uint32_t count = stream[i++];
                // The run must be followed by at least one more stream byte.
                if (count >= end - i || count > full - o) {
                    return lz_error(error_kind::overrun);
                }
                copy_bytes(output + o, stream + i, count);
                i += count;
                o += count;
            } else { // back-reference
                const std::uint32_t distance = backref_distance(stream[i], stream[i + 1]);
                const std::uint32_t length = backref_length(stream[i + 1]);
                if (distance > o) {
                    return lz_error(error_kind::bad_reference);
                }
                if (length > full - o) {
                    return lz_error(error_kind::overrun);
                }
                i += 2;
                copy_match(output + o, distance, length);
                o += length;
            }
        }
    }
}

result<std::uint32_t> dec_cnxdat(const std::uint8_t* input, std::uint8_t* output,
                                 std::uint32_t input_length, std::uint32_t output_capacity) {
    if (input == nullptr || output == nullptr || input_length <= cnx_header_size ||
        !is_cnx(input, input_length)) {
        return error{error_kind::bad_argument, routine_cnxdat};
    }
    const std::uint32_t unpacked = read_be32(input + cnx_unpacked_size_offset);
    if (unpacked > output_capacity || unpacked > largest_block) {
        return error{error_kind::overrun, routine_cnxdat};
    }
    // Unpacking in place would overwrite the stream before it is read: read a copy.
    heap_block copy;
    if (input == output) {
        copy = heap_copy(input, input_length);
        if (!copy) {
            return error{error_kind::no_memory, routine_cnxdat};
        }
        input = copy.get();
    }
    result<void> decoded =
        dec_cnxlz(input + cnx_header_size, output, input_length - cnx_header_size, unpacked);
    if (!decoded) {
        return std::move(decoded.failure());
    }
    return unpacked;
}
