// The fuzz_run input: a disc as a sequence of file records, shared with the seed maker.
#pragma once

#include "memory_disc.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Record: a name byte, a 3-byte big-endian length, then the data.
// Name byte: an index into disc_file_names() (taken modulo its size), or free_name_marker
// followed by a length byte and that many name bytes.
// Length: the low 23 bits are the file size (cut to max_disc_file_size); bit 23 set means
// the data is a pattern (a count byte c, then c + 1 bytes) repeated to the file size,
// so a few bytes can stand for a whole picture. Plain data stops at the end of the input.
constexpr std::uint8_t free_name_marker = 0xFF;
constexpr std::uint32_t record_repeat_flag = 0x800000;
constexpr std::uint32_t record_length_mask = 0x7FFFFF;
constexpr std::size_t record_header_size = 4;
// Larger than any buffer the run reads into, so that a file cut at a read is still met.
constexpr std::uint32_t max_disc_file_size = 0x50000;

// Every name the run looks for, and a few that test its name handling.
const std::vector<std::string>& disc_file_names();

std::vector<memory_file> parse_disc_image(const std::uint8_t* data, std::size_t size);

// Appends one plain record; false when the name is not in the list or the file is too large.
bool append_disc_record(std::vector<std::uint8_t>& out, const std::string& name,
                        const std::vector<std::uint8_t>& data);
