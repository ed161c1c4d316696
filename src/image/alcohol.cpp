#include "image/alcohol.hpp"

#include "image/binary_fields.hpp"

#include <string_view>
#include <vector>

namespace {

constexpr std::string_view signature = "MEDIA DESCRIPTOR";
constexpr std::uint64_t readable_version = 1; // 2 and later keep their blocks enciphered
constexpr field version_major = {0x10, 1};
constexpr field session_count = {0x14, 2};
constexpr field sessions_at = {0x50, 4};

constexpr std::uint32_t session_block_size = 24;
constexpr field session_block_count = {0x0A, 1}; // the lead-in's points A0-A2 included
constexpr field session_blocks_at = {0x14, 4};

constexpr std::uint32_t track_block_size = 80;
constexpr field track_mode = {0x00, 1};
constexpr field track_point = {0x04, 1};
constexpr field track_sector_size = {0x10, 2};
constexpr field track_start_offset = {0x28, 8};
constexpr field track_footer_at = {0x34, 4};

constexpr field footer_name_at = {0x00, 4};
constexpr field footer_wide_name = {0x04, 4};

// The track mode's low nibble; the high one tells how the tool read it.
constexpr std::uint64_t mode_nibble = 0x0F;
constexpr std::uint64_t mode1 = 0x0A;
constexpr std::uint64_t mode2 = 0x0B;
constexpr std::uint64_t mode2_form1 = 0x0C;
constexpr std::uint64_t last_track_point = 99; // A0 and above are the lead-in's

// A track's sectors as its sector size and mode lay them out: the 96 bytes of subcode of a
// 2448-byte sector follow its 2352, and a 2336-byte sector starts at mode 2's subheader.
struct sector_layout {
    std::uint32_t sector_size;
    framing mode1;
    framing mode2;
};

constexpr std::uint32_t no_data = 0; // frame_size of a layout a mode does not take
constexpr sector_layout layouts[] = {
    {sector_size, plain_sectors, plain_sectors},
    {2336, {no_data, 0}, {2336, 8}},
    {raw_frame_size, raw_mode1, raw_mode2},
    {2448, {2448, raw_mode1.data_at}, {2448, raw_mode2.data_at}},
};

constexpr std::string_view own_name_wildcard = "*.";
constexpr std::string_view default_file = ".mdf";
constexpr std::string_view descriptor_extension = ".mds";
// Whether count blocks of size each, from at, lie in the bytes.
bool blocks_within(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t count,
                   std::uint32_t size) {
    return at <= bytes.size() && count <= (bytes.size() - at) / size;
}

// Longer than any name a system takes.
constexpr std::uint64_t longest_name = 1024;
constexpr std::uint64_t first_surrogate = 0xD800;
constexpr std::uint64_t last_surrogate = 0xDFFF;

// The name at at, of bytes or of UTF-16LE units (kept as UTF-8), up to its NUL.
bool read_name(std::span<const std::uint8_t> bytes, std::uint64_t at, bool wide,
               std::string& name) {
    const std::uint64_t unit = wide ? 2 : 1;
    name.clear();
    for (std::uint64_t i = 0; i < longest_name; ++i) {
        std::uint64_t c = 0;
        if (!read_field(bytes, at + i * unit, {0, static_cast<std::uint32_t>(unit)},
                        byte_order::little, c)) {
            return false;
        }
        if (c == 0) {
            return true;
        }
        if (c < 0x80 || !wide) {
            name += static_cast<char>(c); // a narrow name's bytes as the system's own
        } else if (c >= first_surrogate && c <= last_surrogate) {
            return false; // a character past the first plane: no name here needs one
        } else if (c < 0x800) {
            name += static_cast<char>(0xC0 | c >> 6);
            name += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            name += static_cast<char>(0xE0 | c >> 12);
            name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            name += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return false;
}

// The file a track's footer names; the default where it has none.
bool track_file(std::span<const std::uint8_t> bytes, std::uint64_t footer, std::string& file) {
    if (footer == 0) {
        file = default_file;
        return true;
    }
    std::uint64_t name_at = 0;
    std::uint64_t wide = 0;
    if (!read_field(bytes, footer, footer_name_at, byte_order::little, name_at) ||
        !read_field(bytes, footer, footer_wide_name, byte_order::little, wide) ||
        !read_name(bytes, name_at, wide != 0, file) || file.empty()) {
        return false;
    }
    if (file.starts_with(own_name_wildcard)) {
        file.erase(0, 1);
    }
    return true;
}

// A track block's fields, its mode without the flags above it.
struct track_block {
    std::uint64_t mode = 0;
    std::uint64_t point = 0;
    std::uint64_t sector_size = 0;
    std::uint64_t start = 0;
    std::uint64_t footer = 0;
};

bool read_track_block(std::span<const std::uint8_t> bytes, std::uint64_t block, track_block& t) {
    if (!read_field(bytes, block, track_mode, byte_order::little, t.mode) ||
        !read_field(bytes, block, track_point, byte_order::little, t.point) ||
        !read_field(bytes, block, track_sector_size, byte_order::little, t.sector_size) ||
        !read_field(bytes, block, track_start_offset, byte_order::little, t.start) ||
        !read_field(bytes, block, track_footer_at, byte_order::little, t.footer)) {
        return false;
    }
    t.mode &= mode_nibble;
    return true;
}

// The framing of a data track's sectors of this size; no_data frames for a size no layout has.
framing framing_of(std::uint64_t sector_size, std::uint64_t mode) {
    for (const sector_layout& l : layouts) {
        if (l.sector_size == sector_size) {
            return mode == mode1 ? l.mode1 : l.mode2;
        }
    }
    return framing{no_data, 0};
}

} // namespace

alcohol_reading read_alcohol_descriptor(std::span<const std::uint8_t> bytes,
                                        alcohol_data_track& track) {
    std::uint64_t version = 0;
    if (!tag_at(bytes, 0, signature) ||
        !read_field(bytes, 0, version_major, byte_order::little, version)) {
        return alcohol_reading::not_a_descriptor;
    }
    if (version != readable_version) {
        return alcohol_reading::not_a_descriptor;
    }
    std::uint64_t sessions = 0;
    std::uint64_t first_session = 0;
    if (!read_field(bytes, 0, session_count, byte_order::little, sessions) ||
        !read_field(bytes, 0, sessions_at, byte_order::little, first_session)) {
        return alcohol_reading::damaged;
    }
    if (!blocks_within(bytes, first_session, sessions, session_block_size)) {
        return alcohol_reading::damaged;
    }
    std::uint64_t best = last_track_point + 1;
    std::uint64_t best_footer = 0;
    for (std::uint64_t s = 0; s < sessions; ++s) {
        const std::uint64_t session = first_session + s * session_block_size;
        std::uint64_t blocks = 0;
        std::uint64_t first_block = 0;
        if (!read_field(bytes, session, session_block_count, byte_order::little, blocks) ||
            !read_field(bytes, session, session_blocks_at, byte_order::little, first_block)) {
            return alcohol_reading::damaged;
        }
        if (!blocks_within(bytes, first_block, blocks, track_block_size)) {
            return alcohol_reading::damaged;
        }
        for (std::uint64_t b = 0; b < blocks; ++b) {
            track_block t;
            if (!read_track_block(bytes, first_block + b * track_block_size, t)) {
                return alcohol_reading::damaged;
            }
            if (t.point == 0 || t.point >= best ||
                (t.mode != mode1 && t.mode != mode2 && t.mode != mode2_form1)) {
                continue;
            }
            const framing frames = framing_of(t.sector_size, t.mode);
            if (frames.frame_size == no_data) {
                return alcohol_reading::damaged;
            }
            best = t.point;
            best_footer = t.footer;
            track.frames = frames;
            track.start = t.start;
        }
    }
    if (best > last_track_point) {
        return alcohol_reading::no_data_track;
    }
    return track_file(bytes, best_footer, track.file) ? alcohol_reading::data_track
                                                      : alcohol_reading::damaged;
}

bool probe_alcohol(const image_file& file) {
    std::uint8_t head[signature.size()] = {};
    std::size_t delivered = 0;
    return file.read_at(0, head, sizeof head, delivered) &&
           tag_at(std::span(head, delivered), 0, signature);
}

result<opened_image> open_alcohol(std::unique_ptr<image_file> file, const std::string& path,
                                  file_beside beside) {
    std::string descriptor_path = path;
    if (!probe_alcohol(*file)) {
        // The sectors, named: their descriptor is the file of their name beside them.
        const std::string name(descriptor_extension);
        result<named_file> named = beside(path, name);
        if (!named) {
            return track_file_error(std::move(named.failure()), path, name_beside(path, name));
        }
        file = std::move(named.value().file);
        descriptor_path = std::move(named.value().path);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(
        std::min<std::uint64_t>(file->size(), largest_alcohol_descriptor)));
    std::size_t delivered = 0;
    if (!file->read_at(0, bytes.data(), bytes.size(), delivered)) {
        return image_error(error_kind::unreadable, descriptor_path);
    }
    bytes.resize(delivered);
    alcohol_data_track track;
    switch (read_alcohol_descriptor(bytes, track)) {
    case alcohol_reading::not_a_descriptor:
        return image_error(error_kind::not_an_image, descriptor_path);
    case alcohol_reading::damaged:
        return image_error(error_kind::damaged_image, descriptor_path, "Alcohol");
    case alcohol_reading::no_data_track:
        return image_error(error_kind::no_data_track, descriptor_path);
    case alcohol_reading::data_track:
        break;
    }
    return open_track_beside(descriptor_path, track.file, name_beside(descriptor_path, track.file),
                             track.frames, track.start, beside);
}
