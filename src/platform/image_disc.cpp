#include "platform/image_disc.hpp"

#include "image/cue.hpp"
#include "image/iso9660.hpp"
#include "platform/disc_names.hpp"
#include "platform/listed_disc.hpp"

#include <algorithm>
#include <cstring>

namespace {

// Enough of a file to tell a sheet by its words.
constexpr std::size_t sniff_size = 512;

// Reads the files of an image's root, extent by extent, straight into the caller's buffer.
class image_disc final : public listed_disc {
  public:
    image_disc(std::string root, std::unique_ptr<sector_source> sectors,
               std::vector<iso_file> files)
        : listed_disc(std::move(root)), sectors_(std::move(sectors)), files_(std::move(files)) {
        std::vector<std::string> names;
        names.reserve(files_.size());
        for (const iso_file& f : files_) {
            names.push_back(shown_name(f.name));
        }
        set_listing(names);
    }

  private:
    disc_read read_file(std::size_t file, std::uint8_t* buffer,
                        std::uint32_t capacity) const override {
        disc_read got{true, false, 0};
        for (const iso_extent& extent : files_[file].extents) {
            const std::uint32_t wanted = std::min(extent.size, capacity - got.count);
            if (!read_extent(extent.sector, wanted, buffer + got.count)) {
                got.failed = true;
                return got;
            }
            got.count += wanted;
            if (got.count == capacity) {
                break;
            }
        }
        return got;
    }

    // wanted bytes from sector on: whole sectors straight into out, a last part sector
    // through one of our own, so nothing past wanted is written. The image may end inside
    // its last sector; only bytes it does not hold make the read fail.
    bool read_extent(std::uint64_t sector, std::uint32_t wanted, std::uint8_t* out) const {
        const std::uint32_t whole = wanted / sector_size;
        const std::uint32_t rest = wanted % sector_size;
        if (sector + whole + (rest != 0 ? 1 : 0) > sectors_->sectors()) {
            return false;
        }
        std::size_t delivered = 0;
        if (whole != 0 && (!sectors_->read(sector, whole, out, delivered) ||
                           delivered != std::size_t{whole} * sector_size)) {
            return false;
        }
        if (rest != 0) {
            std::uint8_t last[sector_size] = {};
            if (!sectors_->read(sector + whole, 1, last, delivered) || delivered < rest) {
                return false;
            }
            std::memcpy(out + std::size_t{whole} * sector_size, last, rest);
        }
        return true;
    }

    std::unique_ptr<sector_source> sectors_;
    std::vector<iso_file> files_;
};

// The framing whose sector 16 holds a volume descriptor: 2048 first, as an .iso is, then
// the raw modes.
bool volume_framing(const image_file& file, framing& found) {
    for (const framing f : {plain_sectors, raw_mode1, raw_mode2}) {
        std::uint8_t sector[sector_size] = {};
        std::size_t delivered = 0;
        const std::uint64_t at = std::uint64_t{volume_descriptor_sector} * f.frame_size + f.data_at;
        if (file.read_at(at, sector, sector_size, delivered) && delivered == sector_size &&
            is_primary_volume(sector)) {
            found = f;
            return true;
        }
    }
    return false;
}

// The data track a sheet names, opened. Null, with why, when there is none to read.
std::unique_ptr<sector_source> sheet_track(const std::string& path, const image_file& sheet,
                                           std::string& track_path, std::string& trouble) {
    if (sheet.size() > largest_cue_sheet) {
        trouble = path + " is larger than any CUE sheet";
        return nullptr;
    }
    std::string text(static_cast<std::size_t>(sheet.size()), '\0');
    std::size_t delivered = 0;
    if (!sheet.read_at(0, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), delivered)) {
        trouble = path + " cannot be read";
        return nullptr;
    }
    text.resize(delivered);
    cue_data_track track;
    switch (read_cue_sheet(text, track)) {
    case cue_reading::not_a_sheet:
        trouble = path + " is a file, but no disc image this program can read";
        return nullptr;
    case cue_reading::no_data_track:
        trouble = path + " has no data track";
        return nullptr;
    case cue_reading::utf16_sheet:
        trouble = path + " is a CUE sheet in UTF-16, which this program does not read: UTF-8 or "
                         "ASCII needed";
        return nullptr;
    case cue_reading::nul_byte:
        trouble = path + " is a CUE sheet with a NUL byte in it";
        return nullptr;
    case cue_reading::data_track:
        break;
    }
    track_path = path_beside(path, track.file);
    file_state state = file_state::opened;
    std::unique_ptr<image_file> file = open_image_file(track_path, state);
    if (file == nullptr) {
        trouble = path + " names " + track.file + ", which " + state_words(state);
        return nullptr;
    }
    if (track.start >= file->size()) {
        trouble = path + " starts its data track at byte " + std::to_string(track.start) + " of " +
                  track.file + ", which ends at byte " + std::to_string(file->size());
        return nullptr;
    }
    return framed_track(std::move(file), track.frames, track.start);
}

} // namespace

std::string state_words(file_state state) {
    switch (state) {
    case file_state::missing:
        return "is missing";
    case file_state::looping_link:
        return "is a link that leads round in a loop";
    case file_state::not_a_file:
        return "is not a file";
    case file_state::no_access:
        return "may not be read";
    case file_state::no_medium:
        return "holds no disc";
    default:
        return "cannot be read";
    }
}

std::unique_ptr<disc> open_image_disc(std::string root, const std::string& path,
                                      std::string& trouble) {
    file_state state = file_state::opened;
    std::unique_ptr<image_file> file = open_image_file(path, state);
    if (file == nullptr) {
        trouble = path + " " + state_words(state);
        return nullptr;
    }
    return image_disc_of(std::move(root), path, std::move(file), trouble);
}

std::unique_ptr<disc> image_disc_of(std::string root, const std::string& path,
                                    std::unique_ptr<image_file> file, std::string& trouble) {
    std::uint8_t head[sniff_size] = {};
    std::size_t delivered = 0;
    std::unique_ptr<sector_source> sectors;
    framing frames{};
    std::string track_path;
    if (file->read_at(0, head, sizeof head, delivered) &&
        looks_like_cue_sheet(std::string_view(reinterpret_cast<const char*>(head), delivered))) {
        sectors = sheet_track(path, *file, track_path, trouble);
    } else if (volume_framing(*file, frames)) {
        sectors = framed_track(std::move(file), frames, 0);
    } else {
        trouble = path + " is a file, but no disc image this program can read";
    }
    std::vector<iso_file> files;
    if (sectors == nullptr) {
        return nullptr;
    }
    if (!list_iso_root(*sectors, files)) {
        trouble = path + " is a file, but no disc image this program can read";
        return nullptr;
    }
    auto found =
        std::make_unique<image_disc>(std::move(root), std::move(sectors), std::move(files));
    found->add_file_read(facts_of(path).identity);
    if (!track_path.empty()) {
        found->add_file_read(facts_of(track_path).identity);
    }
    return found;
}
