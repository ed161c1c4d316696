#include "image/chd/metadata.hpp"

#include "image/text_lines.hpp"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t entry_header_size = 16;
constexpr std::size_t entry_length_at = 4; // its top byte the flags
constexpr std::size_t entry_next_at = 8;
constexpr std::uint32_t entry_length_mask = 0x00FFFFFF;
// Far more entries than a disc's tracks and tags: a chain that goes on is no image's.
constexpr std::uint32_t most_entries = 1024;
// A track's text takes under a hundred bytes.
constexpr std::size_t longest_track_text = 256;
constexpr char pregap_kept = 'V';

// The track types of 2048-byte sectors, and where those lie in a frame.
struct track_type {
    std::string_view name;
    std::uint32_t data_at;
};
constexpr track_type data_types[] = {
    {"MODE1", 0},          {"MODE1/2048", 0}, {"MODE1_RAW", 16},  {"MODE1/2352", 16},
    {"MODE2_FORM1", 0},    {"MODE2/2048", 0}, {"MODE2", 8},       {"MODE2/2336", 8},
    {"MODE2_FORM_MIX", 8}, {"MODE2_RAW", 24}, {"MODE2/2352", 24},
};

// The value of key in the text's "KEY:VALUE" words; empty when it has none.
std::string_view value_of(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t end = text.find(' ');
        const std::string_view word = text.substr(0, end);
        text = end == text.npos ? std::string_view() : text.substr(end + 1);
        if (word.size() > key.size() && word[key.size()] == ':' &&
            word.substr(0, key.size()) == key) {
            return word.substr(key.size() + 1);
        }
    }
    return {};
}

} // namespace

bool read_track_text(std::string_view text, chd_track& track) {
    track = chd_track{};
    while (!text.empty() && text.back() == '\0') {
        text.remove_suffix(1);
    }
    if (!parse_number(value_of(text, "TRACK"), track.number) ||
        !parse_number(value_of(text, "FRAMES"), track.frames)) {
        return false;
    }
    const std::string_view type = value_of(text, "TYPE");
    for (const track_type& t : data_types) {
        if (type == t.name) {
            track.data = true;
            track.data_at = t.data_at;
        }
    }
    std::uint32_t pregap = 0;
    if (value_of(text, "PGTYPE").starts_with(pregap_kept) &&
        parse_number(value_of(text, "PREGAP"), pregap)) {
        track.pregap_in_file = std::min(pregap, track.frames);
    }
    return true;
}

result<chd_data_track> find_data_track(const image_file& file, const chd_header& header,
                                       const std::string& path) {
    const std::uint64_t size = file.size();
    std::vector<chd_track> tracks;
    std::uint64_t at = header.meta_offset;
    for (std::uint32_t n = 0; at != 0; ++n) {
        std::uint8_t head[entry_header_size] = {};
        if (n == most_entries) {
            return chd_error(error_kind::damaged_image, path);
        }
        if (at > size || size - at < entry_header_size) {
            return chd_cut_short(path, at + entry_header_size, size);
        }
        if (!read_exactly(file, at, head, sizeof head)) {
            return chd_error(error_kind::unreadable, path);
        }
        const std::uint32_t tag = get_be32(head);
        const std::uint32_t length = get_be32(head + entry_length_at) & entry_length_mask;
        if (tag == meta_track || tag == meta_old_track) {
            char text[longest_track_text] = {};
            const std::size_t take = std::min<std::size_t>(length, sizeof text);
            if (size - at - entry_header_size < take) {
                return chd_cut_short(path, at + entry_header_size + take, size);
            }
            if (!read_exactly(file, at + entry_header_size, reinterpret_cast<std::uint8_t*>(text),
                              take)) {
                return chd_error(error_kind::unreadable, path);
            }
            chd_track track;
            if (tracks.size() < most_tracks && read_track_text({text, take}, track)) {
                tracks.push_back(track);
            }
        }
        at = get_be64(head + entry_next_at);
    }
    std::sort(tracks.begin(), tracks.end(),
              [](const chd_track& a, const chd_track& b) { return a.number < b.number; });
    // Each track's frames follow the last one's, padded to a multiple of 4.
    const std::uint64_t frames_held = std::uint64_t{header.hunk_count} * header.frames_per_hunk;
    std::uint64_t start = 0;
    for (const chd_track& t : tracks) {
        if (t.data && t.frames > t.pregap_in_file) {
            const std::uint64_t first = start + t.pregap_in_file;
            if (first >= frames_held) {
                break;
            }
            const std::uint64_t frames =
                std::min<std::uint64_t>(t.frames - t.pregap_in_file, frames_held - first);
            return chd_data_track{first, frames, t.data_at};
        }
        start += (std::uint64_t{t.frames} + track_padding_frames - 1) / track_padding_frames *
                 track_padding_frames;
    }
    return chd_error(error_kind::no_data_track, path);
}
