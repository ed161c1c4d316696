#include "cnx_baseline.hpp"

namespace {

// Four two-bit codes a flag byte, the first in the lowest bits.
constexpr unsigned codes_per_flag = 4;
constexpr unsigned code_bits = 2;
constexpr unsigned code_mask = 0x3;
constexpr unsigned code_skip = 0;
constexpr unsigned code_literal = 1;
constexpr unsigned code_back_ref = 2;

// Back-reference bytes A, B: distance A * 8 + (B >> 5) + 1, length (B & 31) + 4.
constexpr unsigned distance_shift = 3;
constexpr unsigned low_distance_shift = 5;
constexpr unsigned length_mask = 0x1F;
constexpr std::uint32_t min_length = 4;

} // namespace

bool baseline_decode(const std::uint8_t* stream, std::uint8_t* output, std::uint32_t stream_length,
                     std::uint32_t expected_length) {
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    while (in < stream_length) {
        unsigned flags = stream[in++];
        if (flags == 0 && out == expected_length) {
            return true;
        }
        for (unsigned n = 0; n < codes_per_flag; ++n, flags >>= code_bits) {
            const unsigned code = flags & code_mask;
            if (code == code_skip) {
                if (in >= stream_length) {
                    return false;
                }
                in += 1 + stream[in];
                break;
            }
            if (code == code_literal) {
                if (in >= stream_length || out >= expected_length) {
                    return false;
                }
                output[out++] = stream[in++];
            } else if (code == code_back_ref) {
                if (stream_length - in < 2) {
                    return false;
                }
                const std::uint32_t a = stream[in++];
                const std::uint32_t b = stream[in++];
                const std::uint32_t distance =
                    (a << distance_shift) + (b >> low_distance_shift) + 1;
                const std::uint32_t length = (b & length_mask) + min_length;
                if (distance > out || length > expected_length - out) {
                    return false;
                }
                for (std::uint32_t k = 0; k < length; ++k, ++out) {
                    output[out] = output[out - distance];
                }
            } else { // literal run
                if (in >= stream_length) {
                    return false;
                }
                const std::uint32_t count = stream[in++];
                if (count > stream_length - in || count > expected_length - out) {
                    return false;
                }
                for (std::uint32_t k = 0; k < count; ++k) {
                    output[out++] = stream[in++];
                }
            }
        }
    }
    return false;
}
