// Disc images through libcdio's ISO 9660 library: an image of 2048-byte sectors, a raw
// image of 2352-byte sectors (mode 1, or mode 2 form 1), or a CUE sheet whose first data
// track is such a file. The image is opened once, and its root directory read once, when
// the disc is made.
//
// Everything libcdio is handed has been checked first: the volume descriptor must sit where
// the framing puts it (libcdio's search for it otherwise scans frames past their end), and
// the root directory is read here, sector by sector, from a root record whose extent and
// size fit the image (libcdio's own directory reader trusts both).
#include "platform/disc_names.hpp"
#include "platform/listed_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t sector_size = ISO_BLOCKSIZE; // 2048 bytes of data a sector

// A raw sector: 00, ten FF, 00 (the sync), its address, its mode; the data follows the
// header in mode 1, and the header and an 8-byte subheader in mode 2 form 1.
constexpr std::uint32_t raw_frame_size = 2352;
constexpr std::uint8_t raw_sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::uint32_t raw_mode_at = 15;
constexpr std::uint32_t mode1_data_at = 16;
constexpr std::uint32_t mode2_data_at = 24;

// The primary volume descriptor and the root directory record inside it.
constexpr std::uint32_t volume_descriptor_sector = 16;
constexpr std::uint8_t primary_volume_type = 1;
constexpr char standard_id[] = "CD001";
constexpr std::uint32_t standard_id_at = 1;
constexpr std::uint32_t root_record_at = 156;
// A directory record: its length, the extent and the size (both-endian; the little-endian
// half first), the flags, and the name with its length.
constexpr std::uint32_t record_extent_at = 2;
constexpr std::uint32_t record_size_at = 10;
constexpr std::uint32_t record_flags_at = 25;
constexpr std::uint32_t record_name_length_at = 32;
constexpr std::uint32_t record_name_at = 33;
constexpr std::uint8_t flag_directory = 0x02;
constexpr std::uint8_t flag_associated = 0x04;
// A root of more than 4 MiB is no disc this program reads: that is some 35,000 files with
// Rock Ridge entries (about 120 bytes a record), 120,000 without.
constexpr std::uint32_t largest_root = 4u << 20;

// libcdio's search for the volume descriptor: it finds the one checked here at once.
constexpr std::uint16_t volume_search_fuzz = 1;
// A CUE sheet is a few lines a track; anything larger is no sheet.
constexpr std::size_t largest_sheet = 64 * 1024;
constexpr char cue_extension[] = ".cue";
// Where a track that starts its file starts (minutes, seconds, frames).
constexpr char track_start[] = "00:00:00";
// A sheet saved with a byte order mark starts with it.
constexpr char utf8_mark[] = "\xEF\xBB\xBF";

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Where an image keeps its sectors.
struct framing {
    std::uint32_t frame_size = sector_size;
    std::uint32_t data_at = 0; // in each frame
};

constexpr framing sectors_alone = {sector_size, 0};
constexpr framing raw_mode1 = {raw_frame_size, mode1_data_at};
constexpr framing raw_mode2 = {raw_frame_size, mode2_data_at};

// The file that holds the data track, opened, and how its sectors are framed.
struct track_file {
    std::string path;
    int fd = -1;
    framing frames;
};

bool ends_with_ignoring_case(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && same_ignoring_case(text.c_str() + text.size() - n, tail);
}

bool read_at(int fd, std::uint8_t* out, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t n = pread(fd, out, count, offset);
        if (n <= 0) {
            return false;
        }
        out += n;
        count -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// The framing of a file by its first bytes: a raw sector's sync and mode, else 2048.
bool sniff_framing(int fd, framing& frames) {
    std::uint8_t head[raw_mode_at + 1] = {};
    if (!read_at(fd, head, sizeof head, 0) || std::memcmp(head, raw_sync, sizeof raw_sync) != 0) {
        frames = sectors_alone;
    } else if (head[raw_mode_at] == 1) {
        frames = raw_mode1;
    } else if (head[raw_mode_at] == 2) {
        frames = raw_mode2;
    } else {
        return false;
    }
    return true;
}

bool framing_of_track(const std::string& mode, framing& frames) {
    if (mode == "MODE1/2048") {
        frames = sectors_alone;
    } else if (mode == "MODE1/2352") {
        frames = raw_mode1;
    } else if (mode == "MODE2/2352") {
        frames = raw_mode2;
    } else {
        return false;
    }
    return true;
}

// The first data track of a CUE sheet: its file (found beside the sheet when the name is
// relative) and its framing. Only a track that starts its file is read.
bool open_sheet_track(const std::string& sheet_path, track_file& track) {
    const int sheet_fd = open_regular_file(AT_FDCWD, sheet_path.c_str());
    if (sheet_fd < 0) {
        return false;
    }
    std::string text(largest_sheet + 1, '\0');
    std::uint32_t length = 0;
    const bool read = read_up_to(sheet_fd, reinterpret_cast<std::uint8_t*>(text.data()),
                                 static_cast<std::uint32_t>(text.size()), length);
    close(sheet_fd);
    if (!read || length > largest_sheet) {
        return false;
    }
    text.resize(length);
    if (text.starts_with(utf8_mark)) {
        text.erase(0, sizeof utf8_mark - 1);
    }
    const std::size_t slash = sheet_path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : sheet_path.substr(0, slash);
    std::istringstream sheet(text);
    std::string line;
    std::string file;
    std::string data_file;
    bool in_data_track = false;
    while (std::getline(sheet, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "FILE") {
            words >> std::ws;
            if (words.peek() == '"') {
                words.get();
                std::getline(words, file, '"');
            } else {
                words >> file;
            }
            if (!file.empty() && file.front() != '/') {
                file = folder + "/" + file;
            }
        } else if (command == "TRACK") {
            std::string number;
            std::string mode;
            words >> number >> mode;
            in_data_track = framing_of_track(mode, track.frames);
            data_file = file;
        } else if (command == "INDEX" && in_data_track) {
            std::string number;
            std::string start;
            words >> number >> start;
            if (number == "01") {
                if (data_file.empty() || start != track_start) {
                    return false;
                }
                track.path = data_file;
                track.fd = open_regular_file(AT_FDCWD, data_file.c_str());
                return track.fd >= 0;
            }
        }
    }
    return false;
}

// The root directory as the volume descriptor records it, checked against the image.
struct root_extent {
    std::uint32_t first_sector;
    std::uint32_t sectors;
};

bool check_volume(const track_file& track, std::uint8_t* descriptor, root_extent& root) {
    struct stat st {};
    if (fstat(track.fd, &st) != 0) {
        return false;
    }
    const std::uint64_t image_sectors =
        static_cast<std::uint64_t>(st.st_size) / track.frames.frame_size;
    const off_t at = static_cast<off_t>(volume_descriptor_sector) * track.frames.frame_size +
                     track.frames.data_at;
    if (!read_at(track.fd, descriptor, sector_size, at) || descriptor[0] != primary_volume_type ||
        std::memcmp(descriptor + standard_id_at, standard_id, sizeof standard_id - 1) != 0) {
        return false;
    }
    const std::uint8_t* record = descriptor + root_record_at;
    const std::uint32_t extent = le32(record + record_extent_at);
    const std::uint32_t size = le32(record + record_size_at);
    if (size == 0 || size % sector_size != 0 || size > largest_root ||
        std::uint64_t{extent} + size / sector_size > image_sectors) {
        return false;
    }
    root = {extent, size / sector_size};
    return true;
}

// Our console is ours alone: libcdio's complaints about a bad image stay unsaid.
void quiet_log(cdio_log_level_t, const char*) {}

// A root file: where its data starts and how long it is.
struct image_file {
    std::uint32_t first_sector;
    std::uint32_t size;
};

// The volume as libcdio opened it, and the track file it was opened from. libcdio reads the
// volume's own sectors; the data of files is read here, straight from the track at the
// places its framing gives them: libcdio's stream reads through a 128 KiB buffer that
// every seek empties, which cost a whole buffer a file and a seek a sector of a raw image.
class image_disc final : public listed_disc {
  public:
    image_disc(std::string root, iso9660_t* iso, const track_file& track)
        : listed_disc(std::move(root)), iso_(iso), fd_(track.fd), frames_(track.frames) {
        if (frames_.frame_size != sector_size) {
            frame_batch_.resize(std::size_t{frames_in_batch} * frames_.frame_size);
        }
    }
    ~image_disc() override {
        iso9660_close(iso_);
        close(fd_);
    }

    // Reads the root's records: files only, each record whole inside its sector (a
    // record never crosses one; a length of 0 ends the sector's records).
    bool list_root(const root_extent& root) {
        std::vector<std::string> names;
        std::uint8_t sector[sector_size] = {};
        for (std::uint32_t s = 0; s < root.sectors; ++s) {
            if (!read_volume_sector(root.first_sector + s, sector)) {
                return false;
            }
            for (std::uint32_t at = 0; at + record_name_at <= sector_size;) {
                const std::uint8_t* record = sector + at;
                const std::uint32_t length = record[0];
                const std::uint32_t name_length = record[record_name_length_at];
                if (length < record_name_at + name_length || at + length > sector_size) {
                    break;
                }
                if ((record[record_flags_at] & (flag_directory | flag_associated)) == 0) {
                    names.emplace_back(reinterpret_cast<const char*>(record + record_name_at),
                                       name_length);
                    files_.push_back(
                        {le32(record + record_extent_at), le32(record + record_size_at)});
                }
                at += length;
            }
        }
        set_listing(names);
        return true;
    }

    // libcdio must see the volume this program checked, where this program reads it.
    bool reads_descriptor(const std::uint8_t* descriptor) const {
        std::uint8_t sector[sector_size] = {};
        return read_volume_sector(volume_descriptor_sector, sector) &&
               std::memcmp(sector, descriptor, sector_size) == 0;
    }

  private:
    bool read_volume_sector(std::uint32_t sector, std::uint8_t* out) const {
        return sector <= static_cast<std::uint32_t>(INT32_MAX) &&
               iso9660_iso_seek_read(iso_, out, static_cast<lsn_t>(sector), 1) == sector_size;
    }

    off_t frame_at(std::uint32_t sector) const {
        return static_cast<off_t>(sector) * frames_.frame_size + frames_.data_at;
    }

    // count whole sectors from first into out: in one read where they lie back to back,
    // else a batch of frames at a time, the data taken out of each.
    bool read_data(std::uint32_t first, std::uint32_t count, std::uint8_t* out) const {
        if (frames_.frame_size == sector_size) {
            return read_at(fd_, out, std::size_t{count} * sector_size, frame_at(first));
        }
        for (std::uint32_t done = 0; done < count;) {
            const std::uint32_t n = std::min(frames_in_batch, count - done);
            // From the first frame's data to the last one's end: the frames' own bytes
            // around the data are read and passed over.
            const std::size_t span = std::size_t{n - 1} * frames_.frame_size + sector_size;
            if (!read_at(fd_, frame_batch_.data(), span, frame_at(first + done))) {
                return false;
            }
            for (std::uint32_t i = 0; i < n; ++i, ++done) {
                std::memcpy(out + std::size_t{done} * sector_size,
                            frame_batch_.data() + std::size_t{i} * frames_.frame_size, sector_size);
            }
        }
        return true;
    }

    disc_read read_file(std::size_t file, std::uint8_t* buffer,
                        std::uint32_t capacity) const override {
        const image_file& f = files_[file];
        disc_read got{true, false, 0};
        const std::uint32_t wanted = std::min(f.size, capacity);
        const std::uint32_t whole = wanted / sector_size;
        // An extent that runs past sector 2^32 lies past any image: the file cannot be read.
        if (std::uint64_t{f.first_sector} + whole + 1 > UINT32_MAX) {
            got.failed = true;
            return got;
        }
        // Whole sectors go straight into the buffer; a last part sector goes through one of
        // our own, so nothing past the capacity is written. A sector that cannot be read is
        // a damaged image: a read error of the file.
        if (!read_data(f.first_sector, whole, buffer)) {
            got.failed = true;
            return got;
        }
        got.count = whole * sector_size;
        if (got.count < wanted) {
            std::uint8_t sector[sector_size] = {};
            if (!read_data(f.first_sector + whole, 1, sector)) {
                got.failed = true;
                return got;
            }
            std::memcpy(buffer + got.count, sector, wanted - got.count);
            got.count = wanted;
        }
        return got;
    }

    // Raw frames read at a time for the data of a file.
    static constexpr std::uint32_t frames_in_batch = 32;

    iso9660_t* iso_;
    int fd_;
    framing frames_;
    mutable std::vector<std::uint8_t> frame_batch_;
    std::vector<image_file> files_;
};

// libcdio opens the image by name; the name of our own open file keeps it from opening
// something else put there since.
std::string name_for_libcdio(int fd, const std::string& path) {
    const std::string own = "/proc/self/fd/" + std::to_string(fd);
    return access(own.c_str(), R_OK) == 0 ? own : path;
}

} // namespace

bool reads_disc_images() {
    return true;
}

std::string disc_image_support() {
    // The library's own version string carries the system it was built for after a space.
    const std::string version = cdio_version_string;
    return "read through libcdio " + version.substr(0, version.find(' '));
}

std::unique_ptr<disc> open_image_disc(std::string root, const std::string& path) {
    cdio_log_set_handler(quiet_log);
    // The drive is most often a link ("q:" to game.cue): what it names decides the kind.
    char* resolved = realpath(path.c_str(), nullptr);
    const std::string target = resolved != nullptr ? resolved : path;
    std::free(resolved);

    track_file track;
    if (ends_with_ignoring_case(target, cue_extension)) {
        if (!open_sheet_track(target, track)) {
            return nullptr;
        }
    } else {
        track.path = target;
        track.fd = open_regular_file(AT_FDCWD, target.c_str());
        if (track.fd < 0 || !sniff_framing(track.fd, track.frames)) {
            if (track.fd >= 0) {
                close(track.fd);
            }
            return nullptr;
        }
    }
    std::uint8_t descriptor[sector_size] = {};
    root_extent root_dir{};
    iso9660_t* iso = nullptr;
    if (check_volume(track, descriptor, root_dir)) {
        iso = iso9660_open_fuzzy_ext(name_for_libcdio(track.fd, track.path).c_str(),
                                     ISO_EXTENSION_NONE, volume_search_fuzz);
    }
    if (iso == nullptr) {
        close(track.fd);
        return nullptr;
    }
    auto image = std::make_unique<image_disc>(std::move(root), iso, track);
    if (!image->reads_descriptor(descriptor) || !image->list_root(root_dir)) {
        return nullptr;
    }
    return image;
}
