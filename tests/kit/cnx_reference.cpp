#include "cnx_reference.hpp"

namespace {

// A group is a flag byte and up to four commands, whose two-bit codes the flag byte holds
// from its lowest bits up.
constexpr unsigned commands_per_group = 4;
constexpr unsigned code_bits = 2;
constexpr unsigned code_mask = 0x3;
constexpr unsigned code_skip = 0;    // count byte, count bytes passed over; ends the group
constexpr unsigned code_literal = 1; // one byte
constexpr unsigned code_backref = 2; // two bytes A, B
constexpr unsigned code_run = 3;     // count byte, then count literal bytes

// A flag byte of 0 at the start of a group, with the output full, ends the stream.
constexpr unsigned end_flags = 0;

// Every command needs two stream bytes left where it starts, even a literal.
constexpr std::uint32_t command_room = 2;

// Back-reference A, B: distance A * 8 + (B >> 5) + 1, length (B & 31) + 4.
constexpr unsigned distance_high_shift = 3;
constexpr unsigned distance_low_shift = 5;
constexpr std::uint32_t min_distance = 1;
constexpr unsigned length_mask = 0x1F;
constexpr std::uint32_t min_length = 4;

} // namespace

status cnx_reference_decode(const std::uint8_t* stream, std::uint8_t* output,
                            std::uint32_t stream_length, std::uint32_t expected_length) {
    if (stream == nullptr || output == nullptr) {
        return err_argument;
    }
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    while (in < stream_length) {
        unsigned flags = stream[in++];
        if (flags == end_flags && out == expected_length) {
            return st_ok;
        }
        for (unsigned n = 0; n < commands_per_group; ++n, flags >>= code_bits) {
            if (stream_length - in < command_room) {
                return err_overrun;
            }
            const unsigned code = flags & code_mask;
            if (code == code_skip) {
                const std::uint32_t count = stream[in++];
                // The next group's flag byte must follow.
                if (count >= stream_length - in) {
                    return err_overrun;
                }
                in += count;
                break;
            }
            if (code == code_literal) {
                if (out == expected_length) {
                    return err_overrun;
                }
                output[out++] = stream[in++];
            } else if (code == code_run) {
                const std::uint32_t count = stream[in++];
                // A command or the next group's flag byte must follow.
                if (count >= stream_length - in || count > expected_length - out) {
                    return err_overrun;
                }
                for (std::uint32_t k = 0; k < count; ++k) {
                    output[out++] = stream[in++];
                }
            } else if (code == code_backref) {
                const std::uint32_t a = stream[in++];
                const std::uint32_t b = stream[in++];
                const std::uint32_t distance =
                    (a << distance_high_shift) + (b >> distance_low_shift) + min_distance;
                const std::uint32_t length = (b & length_mask) + min_length;
                if (distance > out) {
                    return err_reference;
                }
                if (length > expected_length - out) {
                    return err_overrun;
                }
                for (std::uint32_t k = 0; k < length; ++k, ++out) {
                    output[out] = output[out - distance];
                }
            }
        }
    }
    return err_overrun;
}
