#include "image/chd/header.hpp"

#include "image/chd/chd.hpp"
#include "image/chd/huffman.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The header's fields, by where they lie.
constexpr std::size_t length_at = 8;
constexpr std::size_t version_at = 12;
constexpr std::size_t codecs_at = 16;
constexpr std::size_t logical_bytes_at = 32;
constexpr std::size_t map_offset_at = 40;
constexpr std::size_t meta_offset_at = 48;
constexpr std::size_t hunk_bytes_at = 56;
constexpr std::size_t unit_bytes_at = 60;
constexpr std::size_t parent_sha1_at = 104;
constexpr std::size_t sha1_bytes = 20;

// The compressed map's own header, before its bits.
constexpr std::size_t map_header_size = 16;
constexpr std::size_t map_bytes_at = 0;
constexpr std::size_t first_offset_at = 4;
constexpr std::size_t map_crc_at = 10;
constexpr std::size_t length_bits_at = 12;
constexpr std::size_t self_bits_at = 13;
constexpr std::size_t parent_bits_at = 14;
constexpr unsigned most_length_bits = 24; // the entry's length field
constexpr unsigned most_offset_bits = 32; // a hunk's number, or a unit's of the parent
constexpr unsigned crc_bits = 16;
// A decoded entry's fields.
constexpr std::size_t entry_length_at = 1;
constexpr std::size_t entry_offset_at = 4;
constexpr std::size_t entry_crc_at = 10;

// A hunk's type in the map, and the forms the map codes them in.
constexpr std::uint8_t type_codec_last = 3; // 0 to 3: compressed by codecs[type]
constexpr std::uint8_t type_stored = 4;
constexpr std::uint8_t type_self = 5;
constexpr std::uint8_t type_parent = 6;
constexpr std::uint8_t type_repeat_small = 7; // the last type, then 2 + a symbol more times
constexpr std::uint8_t type_repeat_large = 8; // then 2 + 16 + two symbols' 8 bits more times
constexpr std::uint8_t type_self_same = 9;    // the same hunk as the last self
constexpr std::uint8_t type_self_next = 10;   // the one after it
constexpr std::uint8_t type_parent_here = 11; // the parent's hunk of this number
constexpr std::uint8_t type_parent_same = 12;
constexpr std::uint8_t type_parent_next = 13;
constexpr std::uint32_t repeat_small_least = 2;
constexpr std::uint32_t repeat_large_least = 2 + 16;

// CRC-16/CCITT (polynomial 0x1021, from 0xFFFF), as the map is checked.
constexpr std::array<std::uint16_t, 256> crc16_table = [] {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
        }
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}();

std::uint16_t crc16(const std::uint8_t* data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>(crc << 8 ^ crc16_table[(crc >> 8 ^ data[i]) & 0xFF]);
    }
    return crc;
}

void put_be(std::uint8_t* p, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

bool is_cd_codec(std::uint32_t codec) {
    return codec == codec_cd_lzma || codec == codec_cd_zlib || codec == codec_cd_zstd ||
           codec == codec_cd_flac;
}

// The map of an image of stored hunks: each hunk's offset over hunk_bytes.
result<chd_map> read_stored_map(const image_file& file, const chd_header& header,
                                const std::string& path) {
    const std::uint64_t size = file.size();
    const std::uint64_t bytes = std::uint64_t{header.hunk_count} * stored_map_entry_bytes;
    if (header.map_offset > size || bytes > size - header.map_offset) {
        return chd_cut_short(path, header.map_offset + bytes, size);
    }
    chd_map map;
    map.hunk_bytes = header.hunk_bytes;
    map.entries.assign(static_cast<std::size_t>(bytes), 0);
    if (!read_exactly(file, header.map_offset, map.entries.data(), map.entries.size())) {
        return chd_error(error_kind::unreadable, path);
    }
    std::uint64_t end = 0;
    for (std::uint32_t hunk = 0; hunk < header.hunk_count; ++hunk) {
        const hunk_entry e = entry_of(map, hunk);
        if (e.kind == hunk_kind::stored) {
            end = std::max(end, e.offset + header.hunk_bytes);
        }
    }
    if (end > size) {
        return chd_cut_short(path, end, size);
    }
    return map;
}

// The types of every hunk, their repeats undone, into each entry's first byte.
bool read_types(bit_reader& bits, chd_map& map, std::uint32_t hunks) {
    map_code code;
    if (!read_map_code(bits, code)) {
        return false;
    }
    std::uint8_t last = 0;
    std::uint32_t repeat = 0;
    for (std::uint32_t hunk = 0; hunk < hunks; ++hunk) {
        std::uint8_t& type = map.entries[std::size_t{hunk} * map_entry_bytes];
        if (repeat > 0) {
            type = last;
            --repeat;
            continue;
        }
        const std::uint8_t symbol = read_symbol(bits, code);
        if (symbol == type_repeat_small) {
            type = last;
            repeat = repeat_small_least + read_symbol(bits, code);
        } else if (symbol == type_repeat_large) {
            type = last;
            repeat = repeat_large_least + (std::uint32_t{read_symbol(bits, code)} << 4);
            repeat += read_symbol(bits, code);
        } else {
            type = last = symbol;
        }
    }
    return !bits.overran();
}

// The widths in bits of the coded map's fields that vary from image to image.
struct map_widths {
    unsigned length;
    unsigned self;
    unsigned parent;
};

// Each hunk's length, offset and CRC after its type, the copies' forms made whole; end gets
// where the last byte of a hunk the file holds lies. False for a type no map holds.
bool read_entries(bit_reader& bits, const chd_header& header, map_widths widths,
                  std::uint64_t first_offset, chd_map& map, std::uint64_t& end) {
    std::uint64_t next_offset = first_offset;
    std::uint64_t last_self = 0;
    std::uint64_t last_parent = 0;
    for (std::uint32_t hunk = 0; hunk < header.hunk_count; ++hunk) {
        std::uint8_t* entry = map.entries.data() + std::size_t{hunk} * map_entry_bytes;
        std::uint64_t offset = next_offset;
        std::uint32_t length = 0;
        std::uint16_t crc = 0;
        switch (entry[0]) {
        case type_stored:
            length = header.hunk_bytes;
            next_offset += length;
            crc = static_cast<std::uint16_t>(read_bits(bits, crc_bits));
            break;
        case type_self:
            last_self = offset = read_bits(bits, widths.self);
            break;
        case type_parent:
            last_parent = offset = read_bits(bits, widths.parent);
            break;
        case type_self_next:
            ++last_self;
            [[fallthrough]];
        case type_self_same:
            entry[0] = type_self;
            offset = last_self;
            break;
        case type_parent_here:
            entry[0] = type_parent;
            last_parent = offset = std::uint64_t{hunk} * header.frames_per_hunk;
            break;
        case type_parent_next:
            last_parent += header.frames_per_hunk;
            [[fallthrough]];
        case type_parent_same:
            entry[0] = type_parent;
            offset = last_parent;
            break;
        default:
            if (entry[0] > type_codec_last) {
                return false;
            }
            length = read_bits(bits, widths.length);
            next_offset += length;
            crc = static_cast<std::uint16_t>(read_bits(bits, crc_bits));
            break;
        }
        put_be(entry + entry_length_at, length, 3);
        put_be(entry + entry_offset_at, offset, 6);
        put_be(entry + entry_crc_at, crc, 2);
        if (entry[0] <= type_stored) {
            end = std::max(end, offset + length);
        }
    }
    return true;
}

} // namespace

bool read_exactly(const image_file& file, std::uint64_t offset, std::uint8_t* out,
                  std::size_t count) {
    std::size_t delivered = 0;
    return file.read_at(offset, out, count, delivered) && delivered == count;
}

std::uint16_t get_be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::uint32_t get_be24(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

std::uint32_t get_be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | get_be24(p + 1);
}

std::uint64_t get_be48(const std::uint8_t* p) {
    return std::uint64_t{get_be16(p)} << 32 | get_be32(p + 2);
}

std::uint64_t get_be64(const std::uint8_t* p) {
    return std::uint64_t{get_be32(p)} << 32 | get_be32(p + 4);
}

error chd_error(error_kind kind, const std::string& path) {
    return image_error(kind, path, chd_name);
}

error chd_cut_short(const std::string& path, std::uint64_t end, std::uint64_t size) {
    error e = chd_error(error_kind::damaged_image, path);
    e.detail = error_detail::cut_short;
    e.figures[0] = end;
    e.figures[1] = size;
    return e;
}

bool probe_chd(const image_file& file) {
    std::uint8_t tag[chd_tag.size()] = {};
    return read_exactly(file, 0, tag, sizeof tag) &&
           std::memcmp(tag, chd_tag.data(), chd_tag.size()) == 0;
}

result<chd_header> read_chd_header(const image_file& file, const std::string& path) {
    std::uint8_t raw[chd_header_size] = {};
    std::size_t delivered = 0;
    if (!file.read_at(0, raw, sizeof raw, delivered)) {
        return chd_error(error_kind::unreadable, path);
    }
    if (delivered < chd_tag.size() || std::memcmp(raw, chd_tag.data(), chd_tag.size()) != 0) {
        return chd_error(error_kind::not_an_image, path);
    }
    if (delivered < version_at + 4 || get_be32(raw + version_at) != chd_version) {
        return chd_error(error_kind::unsupported_image, path);
    }
    if (delivered < sizeof raw) {
        return chd_cut_short(path, sizeof raw, file.size());
    }
    if (get_be32(raw + length_at) != chd_header_size) {
        return chd_error(error_kind::unsupported_image, path);
    }
    for (std::size_t i = 0; i < sha1_bytes; ++i) {
        if (raw[parent_sha1_at + i] != 0) {
            return chd_error(error_kind::parent_needed, path);
        }
    }
    chd_header h;
    for (std::size_t i = 0; i < chd_codec_slots; ++i) {
        h.codecs[i] = get_be32(raw + codecs_at + 4 * i);
        if (h.codecs[i] != 0 && !is_cd_codec(h.codecs[i])) {
            return chd_error(error_kind::unsupported_image, path);
        }
    }
    h.logical_bytes = get_be64(raw + logical_bytes_at);
    h.map_offset = get_be64(raw + map_offset_at);
    h.meta_offset = get_be64(raw + meta_offset_at);
    h.hunk_bytes = get_be32(raw + hunk_bytes_at);
    const std::uint32_t unit_bytes = get_be32(raw + unit_bytes_at);
    // A CD's frames, whole frames to a hunk, and no more of them than a CD holds.
    if (unit_bytes != cd_frame_bytes || h.hunk_bytes == 0 || h.hunk_bytes % cd_frame_bytes != 0 ||
        h.hunk_bytes > chd_largest_hunk || h.logical_bytes > cd_most_frames * cd_frame_bytes) {
        return chd_error(error_kind::unsupported_image, path);
    }
    h.frames_per_hunk = h.hunk_bytes / cd_frame_bytes;
    h.hunk_count = static_cast<std::uint32_t>((h.logical_bytes + h.hunk_bytes - 1) / h.hunk_bytes);
    return h;
}

result<chd_map> read_chd_map(const image_file& file, const chd_header& header,
                             const std::string& path) {
    if (header.codecs[0] == 0) {
        return read_stored_map(file, header, path);
    }
    const std::uint64_t size = file.size();
    std::uint8_t head[map_header_size] = {};
    if (header.map_offset > size || size - header.map_offset < map_header_size) {
        return chd_cut_short(path, header.map_offset + map_header_size, size);
    }
    if (!read_exactly(file, header.map_offset, head, sizeof head)) {
        return chd_error(error_kind::unreadable, path);
    }
    const std::uint32_t map_bytes = get_be32(head + map_bytes_at);
    const std::uint64_t first_offset = get_be48(head + first_offset_at);
    const std::uint16_t map_crc = get_be16(head + map_crc_at);
    const unsigned length_bits = head[length_bits_at];
    const unsigned self_bits = head[self_bits_at];
    const unsigned parent_bits = head[parent_bits_at];
    // No entry takes more than 8 bytes of bits, the tree and its types a few more.
    const std::uint64_t most_map_bytes = std::uint64_t{header.hunk_count} * 8 + 64;
    if (map_bytes > most_map_bytes || length_bits > most_length_bits ||
        self_bits > most_offset_bits || parent_bits > most_offset_bits) {
        return chd_error(error_kind::damaged_image, path);
    }
    if (size - header.map_offset - map_header_size < map_bytes) {
        return chd_cut_short(path, header.map_offset + map_header_size + map_bytes, size);
    }
    std::vector<std::uint8_t> coded(map_bytes, 0);
    if (!read_exactly(file, header.map_offset + map_header_size, coded.data(), coded.size())) {
        return chd_error(error_kind::unreadable, path);
    }
    chd_map map;
    map.compressed = true;
    map.hunk_bytes = header.hunk_bytes;
    map.entries.assign(std::size_t{header.hunk_count} * map_entry_bytes, 0);
    bit_reader bits{coded.data(), coded.size(), 0};
    if (!read_types(bits, map, header.hunk_count)) {
        return chd_error(error_kind::damaged_image, path);
    }
    std::uint64_t end = 0;
    if (!read_entries(bits, header, {length_bits, self_bits, parent_bits}, first_offset, map,
                      end)) {
        return chd_error(error_kind::damaged_image, path);
    }
    if (bits.overran() || crc16(map.entries.data(), map.entries.size()) != map_crc) {
        return chd_error(error_kind::damaged_image, path);
    }
    if (end > size) {
        return chd_cut_short(path, end, size);
    }
    return map;
}

hunk_entry entry_of(const chd_map& map, std::uint32_t hunk) {
    hunk_entry e;
    if (!map.compressed) {
        const std::uint64_t at = get_be32(&map.entries[std::size_t{hunk} * stored_map_entry_bytes]);
        if (at != 0) {
            e.kind = hunk_kind::stored;
            e.length = map.hunk_bytes;
            e.offset = at * map.hunk_bytes;
        }
        return e;
    }
    const std::uint8_t* entry = &map.entries[std::size_t{hunk} * map_entry_bytes];
    e.length = get_be24(entry + entry_length_at);
    e.offset = get_be48(entry + entry_offset_at);
    if (entry[0] <= type_codec_last) {
        e.kind = hunk_kind::codec;
        e.codec = entry[0];
    } else if (entry[0] == type_stored) {
        e.kind = hunk_kind::stored;
    } else if (entry[0] == type_self) {
        e.kind = hunk_kind::copy;
    } else {
        e.kind = hunk_kind::parent;
    }
    return e;
}
