#include "cnx_pack.hpp"

#include <algorithm>
#include <limits>

namespace sample {
namespace {

constexpr std::size_t off_magic = 0;
constexpr std::size_t magic_size = 3;
constexpr std::uint8_t magic[magic_size] = {'C', 'N', 'X'};
constexpr std::size_t off_version = 3;
constexpr std::uint8_t version = 0x02;
constexpr std::size_t off_extension = 4;
constexpr std::size_t extension_size = 3;
constexpr std::size_t off_marker = 7;
constexpr std::uint8_t marker = 0x10;
constexpr std::size_t off_stream_size = 8;
constexpr std::size_t off_unpacked_size = 12;

constexpr std::uint8_t code_skip = 0;
constexpr std::uint8_t code_literal = 1;
constexpr std::uint8_t code_back_ref = 2;
constexpr std::uint8_t code_literal_run = 3;
constexpr int code_bits = 2;
constexpr std::uint8_t code_mask = 0x03;
constexpr int commands_per_group = 4;

constexpr std::size_t min_match = 4;
constexpr std::size_t max_match = min_match + 0x1F;
constexpr std::size_t window = 2048;
constexpr int distance_low_bits = 3;
constexpr int length_bits = 5;
constexpr std::uint8_t length_mask = 0x1F;
constexpr std::size_t max_count = 255;

// A flag byte of exactly 0x00 ends the stream once the output is full, so skip groups
// placed after the data get their unused codes set.
constexpr std::uint8_t closed_group_flags = 0xFC;
constexpr std::uint8_t open_group_flags = 0x00;
constexpr std::uint8_t end_flags = 0x00;
// Non-zero so a decoder that misreads skips or runs past the end goes visibly wrong.
constexpr std::uint8_t skip_filler = 0xFF;
constexpr std::uint8_t trailing_filler = 0x55;

constexpr std::size_t max_file_size = std::numeric_limits<std::uint32_t>::max();

void put_u32_be(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
    }
}

std::uint32_t get_u32_be(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | in[at + i];
    }
    return value;
}

struct packer {
    std::span<const std::uint8_t> data;
    const cnx_options& options;
    std::vector<std::uint8_t>& stream;
    std::size_t flag_at;
    int slot; // next command's position in the open group; 0 when no group is open
    std::size_t data_commands;
    bool mid_skip_done;
};

void emit(packer& p, std::uint8_t code, std::span<const std::uint8_t> operands,
          std::uint8_t new_group_flags) {
    if (p.slot == 0) {
        p.flag_at = p.stream.size();
        p.stream.push_back(new_group_flags);
    }
    p.stream[p.flag_at] |= static_cast<std::uint8_t>(code << (code_bits * p.slot));
    p.stream.insert(p.stream.end(), operands.begin(), operands.end());
    const bool group_ends = code == code_skip || p.slot == commands_per_group - 1;
    p.slot = group_ends ? 0 : p.slot + 1;
}

void emit_skip(packer& p, std::size_t count, std::uint8_t new_group_flags) {
    const std::uint8_t operand = static_cast<std::uint8_t>(count);
    emit(p, code_skip, {&operand, 1}, new_group_flags);
    p.stream.insert(p.stream.end(), count, skip_filler);
}

void emit_data(packer& p, std::uint8_t code, std::span<const std::uint8_t> operands) {
    emit(p, code, operands, open_group_flags);
    ++p.data_commands;
    constexpr int mid_skip_slot = 2;
    if (p.options.mid_skip_after >= 0 && !p.mid_skip_done && p.slot == mid_skip_slot &&
        p.data_commands >= static_cast<std::size_t>(p.options.mid_skip_after)) {
        emit_skip(p, static_cast<std::size_t>(p.options.mid_skip_count), open_group_flags);
        p.mid_skip_done = true;
    }
}

void emit_literals(packer& p, std::size_t begin, std::size_t end) {
    while (begin < end) {
        const std::size_t left = end - begin;
        if (p.options.literal_runs && left >= 2) {
            const std::size_t count = std::min(left, max_count);
            std::vector<std::uint8_t> operands;
            operands.push_back(static_cast<std::uint8_t>(count));
            operands.insert(operands.end(), p.data.begin() + static_cast<std::ptrdiff_t>(begin),
                            p.data.begin() + static_cast<std::ptrdiff_t>(begin + count));
            emit_data(p, code_literal_run, operands);
            begin += count;
        } else {
            emit_data(p, code_literal, p.data.subspan(begin, 1));
            ++begin;
        }
    }
}

struct lz_match {
    std::size_t length;
    std::size_t distance;
};

// Greedy search; matches may run into the bytes they copy (distance below length).
lz_match find_match(const packer& p, std::size_t pos) {
    const std::size_t limit = std::min(max_match, p.data.size() - pos);
    const std::size_t reach = std::min(window, pos);
    lz_match best{0, 0};
    for (std::size_t n = 1; n <= reach; ++n) {
        const std::size_t distance = p.options.far_matches ? reach + 1 - n : n;
        std::size_t length = 0;
        while (length < limit && p.data[pos + length] == p.data[pos - distance + length]) {
            ++length;
        }
        if (length > best.length) {
            best = {length, distance};
            if (length == limit) {
                break;
            }
        }
    }
    return best;
}

void emit_back_ref(packer& p, lz_match match) {
    const std::size_t d = match.distance - 1;
    const std::uint8_t operands[2] = {
        static_cast<std::uint8_t>(d >> distance_low_bits),
        static_cast<std::uint8_t>(((d & ((1u << distance_low_bits) - 1)) << length_bits) |
                                  (match.length - min_match))};
    emit_data(p, code_back_ref, operands);
}

// Pads with skips so the file ends on the alignment boundary, then writes the terminating
// flag byte and any trailing bytes.
void finish_stream(packer& p) {
    const std::size_t trailing = static_cast<std::size_t>(p.options.trailing);
    const bool group_open = p.slot != 0;
    const std::size_t fixed = cnx_header_size + p.stream.size() + 1 + trailing;
    const std::size_t min_fill = group_open ? 1 : 0;
    std::size_t end =
        (fixed + min_fill + cnx_file_alignment - 1) / cnx_file_alignment * cnx_file_alignment;
    std::size_t fill = end - fixed;
    // A lone byte cannot be a skip group of its own.
    if (!group_open && fill == 1) {
        fill += cnx_file_alignment;
    }
    if (group_open) {
        // Ends the open group; its flag byte already holds data codes, so it is not 0x00.
        std::size_t count = std::min(fill - 1, max_count);
        if (fill - 1 - count == 1) {
            --count;
        }
        emit_skip(p, count, open_group_flags);
        fill -= 1 + count;
    }
    while (fill > 0) {
        std::size_t count = std::min(fill - 2, max_count);
        if (fill - 2 - count == 1) {
            --count;
        }
        emit_skip(p, count, closed_group_flags);
        fill -= 2 + count;
    }
    p.stream.push_back(end_flags);
    p.stream.insert(p.stream.end(), trailing, trailing_filler);
}

} // namespace

cnx_status cnx_pack(std::span<const std::uint8_t> data, std::string_view extension,
                    const cnx_options& options, std::vector<std::uint8_t>& file) {
    if (data.size() > max_file_size / 2) {
        return cnx_status::too_large;
    }
    std::vector<std::uint8_t> stream;
    packer p{data, options, stream, 0, 0, 0, false};
    if (options.lead_skip >= 0) {
        emit_skip(p, static_cast<std::size_t>(options.lead_skip), open_group_flags);
    }
    if (options.empty_run) {
        const std::uint8_t empty = 0;
        emit_data(p, code_literal_run, {&empty, 1});
    }
    std::size_t literal_start = 0;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const lz_match match = find_match(p, pos);
        if (match.length < min_match) {
            ++pos;
            continue;
        }
        emit_literals(p, literal_start, pos);
        emit_back_ref(p, match);
        pos += match.length;
        literal_start = pos;
    }
    emit_literals(p, literal_start, pos);
    finish_stream(p);

    file.assign(cnx_header_size, 0);
    std::copy(std::begin(magic), std::end(magic), file.begin() + off_magic);
    file[off_version] = version;
    for (std::size_t i = 0; i < extension_size; ++i) {
        file[off_extension + i] = i < extension.size() ? static_cast<std::uint8_t>(extension[i])
                                                       : static_cast<std::uint8_t>(' ');
    }
    file[off_marker] = marker;
    put_u32_be(file, off_stream_size, static_cast<std::uint32_t>(stream.size()));
    put_u32_be(file, off_unpacked_size, static_cast<std::uint32_t>(data.size()));
    file.insert(file.end(), stream.begin(), stream.end());
    return cnx_status::ok;
}

cnx_status cnx_unpack(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& out,
                      cnx_stats& stats) {
    stats = cnx_stats{};
    if (file.size() < cnx_header_size ||
        !std::equal(std::begin(magic), std::end(magic), file.begin() + off_magic)) {
        return cnx_status::bad_header;
    }
    const std::size_t total = get_u32_be(file, off_unpacked_size);
    const std::span<const std::uint8_t> s = file.subspan(cnx_header_size);
    const std::size_t size = s.size();
    out.assign(total, 0);
    std::size_t i = 0;
    std::size_t o = 0;
    for (;;) {
        if (i >= size) {
            return cnx_status::truncated;
        }
        const std::uint8_t group_flags = s[i++];
        if (group_flags == end_flags && o == total) {
            if (i < size) {
                ++stats.files_with_trailing;
            }
            return cnx_status::ok;
        }
        ++stats.groups;
        std::uint8_t flags = group_flags;
        for (int command = 0; command < commands_per_group; ++command) {
            if (i + 2 > size) {
                return cnx_status::truncated;
            }
            const std::uint8_t code = flags & code_mask;
            flags = static_cast<std::uint8_t>(flags >> code_bits);
            if (code == code_skip) {
                const std::size_t count = s[i];
                i += 1 + count;
                if (count == 0) {
                    ++stats.empty_skips;
                } else {
                    ++stats.filled_skips;
                }
                if (command == 0 && group_flags == 0) {
                    ++stats.zero_flag_skips;
                }
                break;
            }
            if (code == code_literal) {
                if (i + 1 >= size || o + 1 > total) {
                    return cnx_status::literal_past_end;
                }
                out[o++] = s[i++];
                ++stats.literals;
            } else if (code == code_back_ref) {
                const std::size_t a = s[i];
                const std::size_t b = s[i + 1];
                i += 2;
                const std::size_t distance = (a << distance_low_bits) + (b >> length_bits) + 1;
                const std::size_t length = (b & length_mask) + min_match;
                if (distance > o) {
                    return cnx_status::bad_distance;
                }
                if (o + length > total) {
                    return cnx_status::output_overflow;
                }
                for (std::size_t n = 0; n < length; ++n, ++o) {
                    out[o] = out[o - distance];
                }
                stats.min_distance =
                    stats.back_refs == 0 ? distance : std::min(stats.min_distance, distance);
                stats.min_length =
                    stats.back_refs == 0 ? length : std::min(stats.min_length, length);
                stats.max_distance = std::max(stats.max_distance, distance);
                stats.max_length = std::max(stats.max_length, length);
                ++stats.back_refs;
                if (distance < length) {
                    ++stats.overlapping_back_refs;
                }
            } else {
                const std::size_t count = s[i++];
                if (i + count >= size || o + count > total) {
                    return cnx_status::run_past_end;
                }
                std::copy(s.begin() + static_cast<std::ptrdiff_t>(i),
                          s.begin() + static_cast<std::ptrdiff_t>(i + count),
                          out.begin() + static_cast<std::ptrdiff_t>(o));
                i += count;
                o += count;
                ++stats.literal_runs;
                if (count == 0) {
                    ++stats.empty_runs;
                }
            }
        }
    }
}

cnx_status cnx_check(std::span<const std::uint8_t> file, std::span<const std::uint8_t> original,
                     cnx_stats& stats) {
    std::vector<std::uint8_t> decoded;
    const cnx_status status = cnx_unpack(file, decoded, stats);
    if (status != cnx_status::ok) {
        return status;
    }
    const bool header_right = file[off_version] == version && file[off_marker] == marker &&
                              get_u32_be(file, off_stream_size) == file.size() - cnx_header_size &&
                              file.size() % cnx_file_alignment == 0;
    if (!header_right) {
        return cnx_status::header_mismatch;
    }
    if (!std::equal(decoded.begin(), decoded.end(), original.begin(), original.end())) {
        return cnx_status::content_mismatch;
    }
    return cnx_status::ok;
}

void add_cnx_stats(cnx_stats& total, const cnx_stats& part) {
    const bool had_back_refs = total.back_refs != 0;
    total.groups += part.groups;
    total.zero_flag_skips += part.zero_flag_skips;
    total.empty_skips += part.empty_skips;
    total.filled_skips += part.filled_skips;
    total.literals += part.literals;
    if (part.back_refs != 0) {
        total.min_distance =
            had_back_refs ? std::min(total.min_distance, part.min_distance) : part.min_distance;
        total.min_length =
            had_back_refs ? std::min(total.min_length, part.min_length) : part.min_length;
    }
    total.back_refs += part.back_refs;
    total.overlapping_back_refs += part.overlapping_back_refs;
    total.max_distance = std::max(total.max_distance, part.max_distance);
    total.max_length = std::max(total.max_length, part.max_length);
    total.literal_runs += part.literal_runs;
    total.empty_runs += part.empty_runs;
    total.files_with_trailing += part.files_with_trailing;
}

const char* cnx_status_text(cnx_status status) {
    switch (status) {
    case cnx_status::ok:
        return "ok";
    case cnx_status::too_large:
        return "data too large to pack";
    case cnx_status::bad_header:
        return "not a CNX file";
    case cnx_status::truncated:
        return "stream ends early";
    case cnx_status::literal_past_end:
        return "literal past the end";
    case cnx_status::run_past_end:
        return "literal run past the end";
    case cnx_status::bad_distance:
        return "back-reference before the start of the output";
    case cnx_status::output_overflow:
        return "back-reference past the unpacked size";
    case cnx_status::header_mismatch:
        return "header fields or padding wrong";
    case cnx_status::content_mismatch:
        return "unpacked data differs from the original";
    }
    return "unknown status";
}

} // namespace sample
