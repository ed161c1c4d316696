// The LZ stream of a CNX container decoded the plainest way, one byte at a time: what the
// tests, the fuzz target and the benchmarks hold dec_cnxlz against.
#pragma once

#include "core/status.hpp"

#include <cstdint>

// Decodes stream into exactly expected_length bytes of output, with the codes of dec_cnxlz
// for the same faults: 0; -501 for a null pointer; -504 for a back-reference before the
// start; -505 for a stream that ends early or a command whose bytes the output cannot take.
// stream and output must not overlap.
status cnx_reference_decode(const std::uint8_t* stream, std::uint8_t* output,
                            std::uint32_t stream_length, std::uint32_t expected_length);
