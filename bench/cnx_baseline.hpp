// The plainest decoder of the LZ stream, one byte at a time: what dec_cnxlz must beat.
#pragma once

#include <cstdint>

// Decodes stream into exactly expected_length bytes of output. False when the stream is
// corrupt or ends early.
bool baseline_decode(const std::uint8_t* stream, std::uint8_t* output, std::uint32_t stream_length,
                     std::uint32_t expected_length);
