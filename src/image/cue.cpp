#include "image/cue.hpp"

#include "image/text_lines.hpp"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16_little_mark = "\xFF\xFE";
constexpr std::string_view utf16_big_mark = "\xFE\xFF";
constexpr std::size_t utf16_unit = 2;
constexpr unsigned first_non_ascii = 0x80;
constexpr std::uint32_t frames_per_second = 75;
constexpr std::uint32_t seconds_per_minute = 60;
constexpr unsigned data_index = 1; // INDEX 01: where the track's own sector 0 lies
// Enough of a file to tell a sheet by its words.
constexpr std::size_t sheet_head_size = 512;

// The commands a sheet may begin with.
constexpr std::array<std::string_view, 7> opening_commands = {
    "FILE", "REM", "CATALOG", "CDTEXTFILE", "TITLE", "PERFORMER", "SONGWRITER"};

constexpr std::size_t longest_opening =
    std::max_element(opening_commands.begin(), opening_commands.end(),
                     [](std::string_view a, std::string_view b) { return a.size() < b.size(); })
        ->size();

struct track_mode {
    std::string_view name;
    framing frames;
};

constexpr track_mode data_modes[] = {
    {"MODE1/2048", plain_sectors},
    {"MODE1/2352", raw_mode1},
    {"MODE2/2352", raw_mode2},
};

bool is_opening(std::string_view command) {
    return std::any_of(opening_commands.begin(), opening_commands.end(),
                       [&](std::string_view c) { return same_word(command, c); });
}

// Words of a line, one at a time; a word in double quotes may hold blanks.
class words {
  public:
    explicit words(std::string_view line) : rest_(line) {}

    std::string_view next() {
        while (!rest_.empty() && is_blank(rest_.front())) {
            rest_.remove_prefix(1);
        }
        if (!rest_.empty() && rest_.front() == '"') {
            const std::size_t end = rest_.find('"', 1);
            const std::string_view word = rest_.substr(1, end == rest_.npos ? rest_.npos : end - 1);
            rest_.remove_prefix(end == rest_.npos ? rest_.size() : end + 1);
            return word;
        }
        std::size_t end = 0;
        while (end < rest_.size() && !is_blank(rest_[end])) {
            ++end;
        }
        const std::string_view word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return word;
    }

  private:
    std::string_view rest_;
};

// mm:ss:ff, in frames.
bool parse_position(std::string_view text, std::uint64_t& frames) {
    std::uint32_t parts[3] = {};
    for (std::uint32_t& part : parts) {
        const std::size_t colon = text.find(':');
        if (!parse_number(text.substr(0, colon), part)) {
            return false;
        }
        text = colon == text.npos ? std::string_view() : text.substr(colon + 1);
    }
    if (!text.empty() || parts[1] >= seconds_per_minute || parts[2] >= frames_per_second) {
        return false;
    }
    frames =
        (std::uint64_t{parts[0]} * seconds_per_minute + parts[1]) * frames_per_second + parts[2];
    return true;
}

std::string_view without_mark(std::string_view text) {
    if (text.starts_with(utf8_mark)) {
        text.remove_prefix(utf8_mark.size());
    }
    return text;
}

// After a byte order mark and blank lines, the first word is a command a sheet begins with.
bool opens_like_sheet(std::string_view text) {
    text = without_mark(text);
    while (!text.empty()) {
        words line(next_line(text));
        const std::string_view command = line.next();
        if (!command.empty()) {
            return is_opening(command);
        }
    }
    return false;
}

// The same of text in UTF-16: its byte order told by its mark, else by the NUL beside its
// first character; its first word read unit by unit, in ASCII as every command is.
bool opens_like_utf16_sheet(std::string_view text) {
    bool little = false;
    if (text.starts_with(utf16_little_mark) || text.starts_with(utf16_big_mark)) {
        little = text.starts_with(utf16_little_mark);
        text.remove_prefix(utf16_unit);
    } else if (text.size() >= utf16_unit && (text[0] == '\0') != (text[1] == '\0')) {
        little = text[1] == '\0';
    } else {
        return false;
    }
    char word[longest_opening] = {};
    std::size_t length = 0;
    for (std::size_t at = 0; at + 1 < text.size(); at += utf16_unit) {
        const auto low = static_cast<unsigned char>(text[little ? at : at + 1]);
        const auto high = static_cast<unsigned char>(text[little ? at + 1 : at]);
        const unsigned unit = unsigned{high} << 8 | low;
        if (unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n') {
            if (length > 0) {
                break;
            }
            continue;
        }
        if (unit >= first_non_ascii || length == sizeof word) {
            return false;
        }
        word[length++] = static_cast<char>(unit);
    }
    return is_opening(std::string_view(word, length));
}

} // namespace

bool looks_like_cue_sheet(std::string_view text) {
    return opens_like_sheet(text) || opens_like_utf16_sheet(text);
}

cue_reading read_cue_sheet(std::string_view text, cue_data_track& track) {
    if (opens_like_utf16_sheet(text)) {
        return cue_reading::utf16_sheet;
    }
    if (!opens_like_sheet(text)) {
        return cue_reading::not_a_sheet;
    }
    if (text.find('\0') != text.npos) {
        return cue_reading::nul_byte;
    }
    text = without_mark(text);
    std::string_view file;
    std::string_view data_file;
    const framing* data_frames = nullptr;
    while (!text.empty()) {
        words line(next_line(text));
        const std::string_view command = line.next();
        if (same_word(command, "FILE")) {
            file = line.next();
        } else if (same_word(command, "TRACK")) {
            line.next(); // the track's number
            const std::string_view mode = line.next();
            data_frames = nullptr;
            for (const track_mode& m : data_modes) {
                if (same_word(mode, m.name)) {
                    data_frames = &m.frames;
                }
            }
            data_file = file;
        } else if (same_word(command, "INDEX") && data_frames != nullptr) {
            std::uint32_t number = 0;
            std::uint64_t position = 0;
            if (parse_number(line.next(), number) && number == data_index &&
                parse_position(line.next(), position) && !data_file.empty()) {
                track.file = data_file;
                std::replace(track.file.begin(), track.file.end(), '\\', '/');
                track.frames = *data_frames;
                track.start = position * data_frames->frame_size;
                return cue_reading::data_track;
            }
        }
    }
    return cue_reading::no_data_track;
}

bool probe_cue_sheet(const image_file& file) {
    char head[sheet_head_size] = {};
    std::size_t delivered = 0;
    return file.read_at(0, reinterpret_cast<std::uint8_t*>(head), sizeof head, delivered) &&
           looks_like_cue_sheet(std::string_view(head, delivered));
}

result<opened_image> open_cue_sheet(std::unique_ptr<image_file> file, const std::string& path,
                                    file_beside beside) {
    if (file->size() > largest_cue_sheet) {
        // Too large only for a file that starts as a sheet: one its name alone calls a sheet
        // is no image at all.
        if (!probe_cue_sheet(*file)) {
            return image_error(error_kind::not_an_image, path);
        }
        error large = image_error(error_kind::sheet_too_large, path);
        large.figures[0] = file->size();
        large.figures[1] = largest_cue_sheet;
        return large;
    }
    std::string text(static_cast<std::size_t>(file->size()), '\0');
    std::size_t delivered = 0;
    if (!file->read_at(0, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), delivered)) {
        return image_error(error_kind::unreadable, path);
    }
    text.resize(delivered);
    cue_data_track track{};
    switch (read_cue_sheet(text, track)) {
    case cue_reading::not_a_sheet:
        return image_error(error_kind::not_an_image, path);
    case cue_reading::no_data_track:
        return image_error(error_kind::no_data_track, path);
    case cue_reading::utf16_sheet:
        return image_error(error_kind::utf16_sheet, path);
    case cue_reading::nul_byte:
        return image_error(error_kind::nul_in_sheet, path);
    case cue_reading::data_track:
        break;
    }
    return open_track_beside(path, track.file, track.file, track.frames, track.start, beside);
}
