#include "image/nero.hpp"

#include "image/binary_fields.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view footer_v1 = "NERO";
constexpr std::string_view footer_v2 = "NER5";
constexpr std::uint32_t footer_v1_size = 8;
constexpr std::uint32_t footer_v2_size = 12;
constexpr field footer_v1_offset = {4, 4};
constexpr field footer_v2_offset = {4, 8};

// A chunk: its id, the size of its body, the body.
constexpr std::uint32_t chunk_header_size = 8;
constexpr field chunk_size = {4, 4};
constexpr std::string_view end_chunk = "END!";
// Disc at once: a header, then a block per track from the first track to the last.
constexpr std::string_view dao_v1 = "DAOI";
constexpr std::string_view dao_v2 = "DAOX";
constexpr std::uint32_t dao_header_size = 22;
constexpr field dao_first_track = {20, 1};
constexpr field dao_last_track = {21, 1};
constexpr field dao_sector_size = {12, 2};
constexpr field dao_mode = {14, 1};
// The offsets: index 0 (the pregap), index 1, the track's end; 4 bytes each in the first
// version, 8 in the second.
struct dao_block {
    std::uint32_t size;
    field index0;
    field index1;
    field end;
};
constexpr dao_block dao_v1_block = {30, {18, 4}, {22, 4}, {26, 4}};
constexpr dao_block dao_v2_block = {42, {18, 8}, {26, 8}, {34, 8}};
// Track at once: an entry per track, of its offset, its size and its mode.
constexpr std::string_view tao_v1 = "ETNF";
constexpr std::string_view tao_v2 = "ETN2";
struct tao_entry {
    std::uint32_t size;
    field offset;
    field length;
    field mode;
};
constexpr tao_entry tao_v1_entry = {20, {0, 4}, {4, 4}, {8, 4}};
constexpr tao_entry tao_v2_entry = {28, {0, 8}, {8, 8}, {16, 4}};
// The other chunks (CUEX and CUES, the cue points; SINF, a session's track count; MTYP,
// the medium) say nothing the data track needs.

// A track's mode, as both track lists give it: how its sectors are framed.
struct nero_mode {
    std::uint64_t code;
    bool data;
    framing frames;
};
constexpr nero_mode modes[] = {
    {0x00, true, plain_sectors},             // mode 1
    {0x02, true, plain_sectors},             // mode 2 form 1
    {0x03, true, {2336, 8}},                 // mode 2, from the subheader on
    {0x05, true, raw_mode1},                 // raw mode 1
    {0x06, true, raw_mode2},                 // raw mode 2
    {0x07, false, {raw_frame_size, 0}},      // audio
    {0x0F, true, {2448, raw_mode1.data_at}}, // raw mode 1 and its subcode
    {0x10, false, {2448, 0}},                // audio and its subcode
    {0x11, true, {2448, raw_mode2.data_at}}, // raw mode 2 and its subcode
};

const nero_mode* mode_of(std::uint64_t code) {
    for (const nero_mode& m : modes) {
        if (m.code == code) {
            return &m;
        }
    }
    return nullptr;
}

// The first data track of a DAO chunk's body, if any, into track; false when damaged.
bool read_dao(std::span<const std::uint8_t> body, const dao_block& shape, std::uint64_t tracks_end,
              bool& found, nero_data_track& track) {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!read_field(body, 0, dao_first_track, byte_order::big, first) ||
        !read_field(body, 0, dao_last_track, byte_order::big, last) || last < first ||
        (last - first + 1) > (body.size() - dao_header_size) / shape.size) {
        return false;
    }
    for (std::uint64_t i = 0; i <= last - first && !found; ++i) {
        const std::uint64_t block = dao_header_size + i * shape.size;
        std::uint64_t size = 0;
        std::uint64_t code = 0;
        std::uint64_t index0 = 0;
        std::uint64_t index1 = 0;
        std::uint64_t end = 0;
        if (!read_field(body, block, dao_sector_size, byte_order::big, size) ||
            !read_field(body, block, dao_mode, byte_order::big, code) ||
            !read_field(body, block, shape.index0, byte_order::big, index0) ||
            !read_field(body, block, shape.index1, byte_order::big, index1) ||
            !read_field(body, block, shape.end, byte_order::big, end)) {
            return false;
        }
        if (index0 > index1 || index1 > end || end > tracks_end) {
            return false;
        }
        const nero_mode* mode = mode_of(code);
        if (mode == nullptr || !mode->data) {
            continue;
        }
        if (size != mode->frames.frame_size || index1 == end) {
            return false;
        }
        found = true;
        track = {mode->frames, index1};
    }
    return true;
}

// The first data track of a TAO chunk's body, if any, into track; false when damaged.
bool read_tao(std::span<const std::uint8_t> body, const tao_entry& shape, std::uint64_t tracks_end,
              bool& found, nero_data_track& track) {
    if (body.size() % shape.size != 0) {
        return false;
    }
    for (std::uint64_t entry = 0; entry < body.size() && !found; entry += shape.size) {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::uint64_t code = 0;
        if (!read_field(body, entry, shape.offset, byte_order::big, offset) ||
            !read_field(body, entry, shape.length, byte_order::big, length) ||
            !read_field(body, entry, shape.mode, byte_order::big, code)) {
            return false;
        }
        if (offset > tracks_end || length > tracks_end - offset) {
            return false;
        }
        const nero_mode* mode = mode_of(code);
        if (mode == nullptr || !mode->data) {
            continue;
        }
        if (length == 0) {
            return false;
        }
        found = true;
        track = {mode->frames, offset};
    }
    return true;
}

} // namespace

bool read_nero_footer(std::span<const std::uint8_t> tail, std::uint64_t size, nero_footer& footer) {
    std::uint64_t offset = 0;
    if (tail.size() >= footer_v2_size && tag_at(tail, tail.size() - footer_v2_size, footer_v2) &&
        read_field(tail, tail.size() - footer_v2_size, footer_v2_offset, byte_order::big, offset)) {
        footer = {offset, size - footer_v2_size};
        return true;
    }
    if (tail.size() >= footer_v1_size && tag_at(tail, tail.size() - footer_v1_size, footer_v1) &&
        read_field(tail, tail.size() - footer_v1_size, footer_v1_offset, byte_order::big, offset)) {
        footer = {offset, size - footer_v1_size};
        return true;
    }
    return false;
}

nero_reading read_nero_chunks(std::span<const std::uint8_t> chunks, std::uint64_t tracks_end,
                              nero_data_track& track) {
    bool found = false;
    // Each chunk moves on by its header at least: the list ends, at its end chunk or at
    // the bytes' end, however its sizes are crafted.
    for (std::uint64_t at = 0;;) {
        std::uint64_t size = 0;
        if (!read_field(chunks, at, chunk_size, byte_order::big, size) ||
            size > chunks.size() - at - chunk_header_size) {
            return nero_reading::damaged;
        }
        if (tag_at(chunks, at, end_chunk)) {
            break;
        }
        const std::span<const std::uint8_t> body =
            chunks.subspan(at + chunk_header_size, static_cast<std::size_t>(size));
        bool whole = true;
        if (tag_at(chunks, at, dao_v2) || tag_at(chunks, at, dao_v1)) {
            whole = read_dao(body, tag_at(chunks, at, dao_v2) ? dao_v2_block : dao_v1_block,
                             tracks_end, found, track);
        } else if (tag_at(chunks, at, tao_v2) || tag_at(chunks, at, tao_v1)) {
            whole = read_tao(body, tag_at(chunks, at, tao_v2) ? tao_v2_entry : tao_v1_entry,
                             tracks_end, found, track);
        }
        if (!whole) {
            return nero_reading::damaged;
        }
        at += chunk_header_size + size;
    }
    return found ? nero_reading::data_track : nero_reading::no_data_track;
}

bool probe_nero(const image_file& file) {
    const std::uint64_t size = file.size();
    std::uint8_t tail[footer_v2_size] = {};
    const std::uint64_t from = size - std::min<std::uint64_t>(size, footer_v2_size);
    std::size_t delivered = 0;
    nero_footer footer;
    return file.read_at(from, tail, static_cast<std::size_t>(size - from), delivered) &&
           read_nero_footer(std::span(tail, delivered), size, footer);
}

result<opened_image> open_nero(std::unique_ptr<image_file> file, const std::string& path,
                               file_beside) {
    const std::uint64_t size = file->size();
    std::uint8_t tail[footer_v2_size] = {};
    const std::uint64_t from = size - std::min<std::uint64_t>(size, footer_v2_size);
    std::size_t delivered = 0;
    if (!file->read_at(from, tail, static_cast<std::size_t>(size - from), delivered)) {
        return image_error(error_kind::unreadable, path);
    }
    nero_footer footer;
    if (!read_nero_footer(std::span(tail, delivered), size, footer)) {
        return image_error(error_kind::not_an_image, path);
    }
    if (footer.chunks_at > footer.chunks_end ||
        footer.chunks_end - footer.chunks_at > largest_nero_chunk_list) {
        return image_error(error_kind::damaged_image, path, "Nero");
    }
    std::vector<std::uint8_t> chunks(
        static_cast<std::size_t>(footer.chunks_end - footer.chunks_at));
    if (!file->read_at(footer.chunks_at, chunks.data(), chunks.size(), delivered)) {
        return image_error(error_kind::unreadable, path);
    }
    chunks.resize(delivered);
    nero_data_track track;
    switch (read_nero_chunks(chunks, footer.chunks_at, track)) {
    case nero_reading::damaged:
        return image_error(error_kind::damaged_image, path, "Nero");
    case nero_reading::no_data_track:
        return image_error(error_kind::no_data_track, path);
    case nero_reading::data_track:
        break;
    }
    return opened_image{framed_track(std::move(file), track.frames, track.start), {}};
}
