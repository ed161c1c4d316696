#include "image/clonecd.hpp"

#include "image/text_lines.hpp"

#include <limits>
#include <optional>

namespace {

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
constexpr std::string_view first_section = "[CloneCD]";
constexpr std::string_view track_section = "TRACK";
constexpr std::string_view mode_key = "MODE";
constexpr std::string_view data_start_key = "INDEX 1";
constexpr std::uint32_t mode1 = 1;
constexpr std::uint32_t mode2 = 2;
constexpr std::string_view frames_extension = ".img";

// The section a line opens ("[TRACK 1]" gives "TRACK 1"); empty for any other line.
std::string_view section_of(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return {};
    }
    return without_blanks(line.substr(1, line.size() - 2));
}

// The track a section stands for: "TRACK n" gives n.
bool track_number(std::string_view section, std::uint32_t& number) {
    return section.size() > track_section.size() &&
           same_word(section.substr(0, track_section.size()), track_section) &&
           is_blank(section[track_section.size()]) &&
           parse_number(without_blanks(section.substr(track_section.size())), number);
}

// One [TRACK n] section as read so far.
struct track_keys {
    std::uint32_t number = 0;
    std::uint32_t mode = 0;
    std::uint32_t data_start = 0;
    bool has_mode = false;
    bool has_start = false;
};

} // namespace

bool read_clonecd_control(std::string_view text, clonecd_data_track& track) {
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    std::optional<track_keys> current;
    const auto close_track = [&] {
        if (current && current->has_mode && current->has_start &&
            (current->mode == mode1 || current->mode == mode2) && current->number < best) {
            best = current->number;
            track.frames = current->mode == mode1 ? raw_mode1 : raw_mode2;
            track.start = std::uint64_t{current->data_start} * raw_frame_size;
        }
    };
    while (!text.empty()) {
        const std::string_view line = without_blanks(next_line(text));
        if (const std::string_view section = section_of(line); !section.empty()) {
            close_track();
            std::uint32_t number = 0;
            current.reset();
            if (track_number(section, number)) {
                current = track_keys{number};
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = without_blanks(line.substr(0, equals));
        const std::string_view value = without_blanks(line.substr(equals + 1));
        if (same_word(key, mode_key)) {
            current->has_mode = parse_number(value, current->mode);
        } else if (same_word(key, data_start_key)) {
            current->has_start = parse_number(value, current->data_start);
        }
    }
    close_track();
    return best != std::numeric_limits<std::uint32_t>::max();
}

bool probe_clonecd(const image_file& file) {
    char head[utf8_mark.size() + first_section.size()] = {};
    std::size_t delivered = 0;
    if (!file.read_at(0, reinterpret_cast<std::uint8_t*>(head), sizeof head, delivered)) {
        return false;
    }
    std::string_view text(head, delivered);
    if (text.starts_with(utf8_mark)) {
        text.remove_prefix(utf8_mark.size());
    }
    return text.size() >= first_section.size() &&
           same_word(text.substr(0, first_section.size()), first_section);
}

result<opened_image> open_clonecd(std::unique_ptr<image_file> file, const std::string& path,
                                  file_beside beside) {
    if (file->size() > largest_clonecd_control || !probe_clonecd(*file)) {
        return image_error(error_kind::not_an_image, path);
    }
    std::string text(static_cast<std::size_t>(file->size()), '\0');
    std::size_t delivered = 0;
    if (!file->read_at(0, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), delivered)) {
        return image_error(error_kind::unreadable, path);
    }
    text.resize(delivered);
    clonecd_data_track track;
    if (!read_clonecd_control(text, track)) {
        return image_error(error_kind::no_data_track, path);
    }
    return open_track_beside(path, std::string(frames_extension),
                             name_beside(path, std::string(frames_extension)), track.frames,
                             track.start, beside);
}
