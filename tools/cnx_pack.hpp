// CNX container packing, plus a plain decoder used to check every packed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace sample {

constexpr std::size_t cnx_header_size = 16;
// Packed files are padded so the whole file, header included, fills whole CD sectors.
constexpr std::size_t cnx_file_alignment = 2048;

// How to shape a stream so the sample files between them use every kind of command.
struct cnx_options {
    // Count of a skip opening the stream in a group whose flag byte is 0x00; -1 for none.
    int lead_skip;
    // A zero-length literal run as the first data command.
    bool empty_run;
    // Unmatched stretches of two or more bytes become literal runs, else single literals.
    bool literal_runs;
    // Of equally long matches take the farthest instead of the nearest.
    bool far_matches;
    // A skip of mid_skip_count bytes as the third command of the first group that reaches
    // it after this many data commands; -1 for none.
    int mid_skip_after;
    int mid_skip_count;
    // Bytes after the terminating flag byte; never read by a decoder.
    int trailing;
};

// What a decoded stream contained.
struct cnx_stats {
    std::size_t groups;
    std::size_t zero_flag_skips; // skips opening a group whose flag byte is 0x00
    std::size_t empty_skips;
    std::size_t filled_skips;
    std::size_t literals;
    std::size_t back_refs;
    std::size_t overlapping_back_refs; // distance smaller than length
    std::size_t min_distance;
    std::size_t max_distance;
    std::size_t min_length;
    std::size_t max_length;
    std::size_t literal_runs;
    std::size_t empty_runs;
    std::size_t files_with_trailing; // bytes after the terminating flag byte
};

enum class cnx_status {
    ok,
    too_large,
    bad_header,
    truncated,
    literal_past_end,
    run_past_end,
    bad_distance,
    output_overflow,
    header_mismatch,
    content_mismatch,
};

// Packs data into a complete CNX file (header included) in file. extension is the original
// file's extension, recorded in the header.
cnx_status cnx_pack(std::span<const std::uint8_t> data, std::string_view extension,
                    const cnx_options& options, std::vector<std::uint8_t>& file);

// Decodes a complete CNX file into out, sized from the header.
cnx_status cnx_unpack(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& out,
                      cnx_stats& stats);

// Decodes a file written by cnx_pack and compares it with the data it was packed from,
// including the header fields the decoder ignores.
cnx_status cnx_check(std::span<const std::uint8_t> file, std::span<const std::uint8_t> original,
                     cnx_stats& stats);

void add_cnx_stats(cnx_stats& total, const cnx_stats& part);

const char* cnx_status_text(cnx_status status);

} // namespace sample
