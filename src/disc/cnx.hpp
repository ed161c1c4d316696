// CNX containers: a 16-byte header and an LZ stream, unpacked on the way off the disc.
#pragma once

#include "core/error.hpp"

#include <cstdint>

constexpr std::uint32_t cnx_header_size = 16;
constexpr std::uint32_t cnx_magic_size = 3; // "CNX"
constexpr std::uint32_t cnx_unpacked_size_offset = 12;

// True when the bytes begin with the container's magic.
bool is_cnx(const std::uint8_t* bytes, std::uint32_t length);

// The routines whose codes the container hands up.
constexpr char routine_cnxdat[] = "dec_cnxdat";
constexpr char routine_cnxlz[] = "dec_cnxlz";

// Checks a container and unpacks its stream into output. input and output may be the
// same buffer (the stream is then read from a copy); otherwise they must not overlap.
// Gives the unpacked size; a bad argument, an overrun or no memory from "dec_cnxdat" when
// the container is refused; dec_cnxlz's error when the stream is corrupt.
result<std::uint32_t> dec_cnxdat(const std::uint8_t* input, std::uint8_t* output,
                                 std::uint32_t input_length, std::uint32_t output_capacity);

// Decodes an LZ stream into exactly expected_length bytes; a bad argument, a bad reference
// or an overrun from "dec_cnxlz" when it cannot. stream and output must not overlap.
result<void> dec_cnxlz(const std::uint8_t* stream, std::uint8_t* output,
                       std::uint32_t stream_length, std::uint32_t expected_length);
