// Disc images through libcdio. The first data track of a CUE sheet goes to libcdio's
// BIN/CUE reader, and so does a raw image of 2352-byte sectors without a sheet: libcdio's
// plain image reader cannot list a directory of several sectors in raw framing. Anything
// else is taken for an ISO 9660 image and searched for its volume descriptor.
#include "platform/posix/disc_image.hpp"

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <unistd.h>

struct disc_image {
    iso9660_t* iso = nullptr; // an image searched for its volume descriptor
    CdIo_t* cue = nullptr;    // or one that a CUE sheet describes
};

namespace {

constexpr std::uint16_t volume_search_fuzz = 20;
constexpr char cue_extension[] = ".cue";
constexpr char root_directory[] = "/";

// A raw sector starts with 00, ten FF, 00, then its address and its mode (1 or 2).
constexpr std::size_t raw_sector_size = 2352;
constexpr std::uint8_t raw_sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t raw_mode_at = 15;

// The mode of a raw image's first sector, or 0 when the file is not a raw image.
int raw_image_mode(const std::string& path) {
    std::uint8_t head[raw_mode_at + 1] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return 0;
    }
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n != sizeof head || std::memcmp(head, raw_sync, sizeof raw_sync) != 0) {
        return 0;
    }
    return head[raw_mode_at] == 1 || head[raw_mode_at] == 2 ? head[raw_mode_at] : 0;
}

// The first data track of a disc: the file that holds it, its sector format
// ("MODE1/2352", "MODE2/2352", "MODE1/2048") and where in the file it starts ("mm:ss:ff").
struct data_track {
    std::string file;
    std::string format;
    std::string start = "00:00:00";
};

// Reads the first data track out of a CUE sheet; a file named there is found beside it.
bool first_data_track(const std::string& sheet_path, data_track& track) {
    std::ifstream sheet(sheet_path);
    const std::size_t slash = sheet_path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : sheet_path.substr(0, slash);
    std::string line;
    std::string file;
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
            std::string format;
            words >> number >> format;
            in_data_track = format.rfind("MODE", 0) == 0;
            if (in_data_track) {
                track.file = file;
                track.format = format;
            }
        } else if (command == "INDEX" && in_data_track) {
            std::string number;
            words >> number >> track.start;
            if (number == "01") {
                return !track.file.empty();
            }
        }
    }
    return false;
}

// Opens a data track through libcdio's BIN/CUE reader. That reader takes the data from
// the file named like the sheet, whatever the sheet says, so the track is shown to it as
// disc.bin beside a sheet of its own, in a folder that is gone again once it has read
// them (it keeps the data file open).
CdIo_t* open_track(const data_track& track) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quillmoor-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        return nullptr;
    }
    const std::string sheet = folder + "/disc.cue";
    const std::string data = folder + "/disc.bin";
    CdIo_t* cdio = nullptr;
    if (symlink(track.file.c_str(), data.c_str()) == 0) {
        std::ofstream(sheet) << "FILE \"disc.bin\" BINARY\n  TRACK 01 " << track.format
                             << "\n    INDEX 01 " << track.start << "\n";
        cdio = cdio_open_bincue(sheet.c_str());
    }
    unlink(sheet.c_str());
    unlink(data.c_str());
    rmdir(folder.c_str());
    return cdio;
}

// Our console is ours alone: libcdio's complaints about a bad image stay unsaid.
void quiet_log(cdio_log_level_t, const char*) {}

bool ends_with_ignoring_case(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    if (text.size() < n) {
        return false;
    }
    return std::equal(
        text.end() - static_cast<std::ptrdiff_t>(n), text.end(), tail,
        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

// The name as a folder would show it: without the ";1" that ISO 9660 appends.
std::string plain_name(const char* name) {
    std::string plain = name;
    const std::size_t version = plain.rfind(';');
    if (version != std::string::npos) {
        plain.erase(version);
    }
    return plain;
}

CdioList_t* read_root(disc_image* image) {
    return image->cue != nullptr ? iso9660_fs_readdir(image->cue, root_directory)
                                 : iso9660_ifs_readdir(image->iso, root_directory);
}

// Calls fn(name, stat) for every file (not directory) of the root.
template <typename Fn> void for_each_root_file(disc_image* image, Fn fn) {
    CdioList_t* entries = read_root(image);
    if (entries == nullptr) {
        return;
    }
    for (CdioListNode_t* node = _cdio_list_begin(entries); node != nullptr;
         node = _cdio_list_node_next(node)) {
        const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
        if (stat != nullptr && stat->type == iso9660_stat_s::_STAT_FILE) {
            fn(plain_name(stat->filename), *stat);
        }
    }
    iso9660_filelist_free(entries);
}

bool read_sector(const disc_image* image, lsn_t lsn, std::uint8_t* sector) {
    if (image->cue != nullptr) {
        return cdio_read_data_sectors(image->cue, sector, lsn, ISO_BLOCKSIZE, 1) ==
               DRIVER_OP_SUCCESS;
    }
    return iso9660_iso_seek_read(image->iso, sector, lsn, 1) == ISO_BLOCKSIZE;
}

// One file of the image as a stream, read a sector at a time as the loader asks.
struct image_stream {
    disc_image* image;
    lsn_t first;
    std::uint32_t size;
    std::uint32_t position = 0;
    std::uint8_t sector[ISO_BLOCKSIZE] = {};
};

ssize_t stream_read(void* cookie, char* out, std::size_t wanted) {
    auto* s = static_cast<image_stream*>(cookie);
    std::size_t done = 0;
    while (done < wanted && s->position < s->size) {
        const std::uint32_t in_sector = s->position % ISO_BLOCKSIZE;
        if (!read_sector(s->image, s->first + static_cast<lsn_t>(s->position / ISO_BLOCKSIZE),
                         s->sector)) {
            return -1; // a damaged image: the loader's read error
        }
        const std::size_t n = std::min<std::size_t>(
            {wanted - done, ISO_BLOCKSIZE - in_sector, s->size - s->position});
        std::memcpy(out + done, s->sector + in_sector, n);
        done += n;
        s->position += static_cast<std::uint32_t>(n);
    }
    return static_cast<ssize_t>(done);
}

int stream_close(void* cookie) {
    auto* s = static_cast<image_stream*>(cookie);
    image_close(s->image);
    delete s;
    return 0;
}

} // namespace

disc_image* image_open(const std::string& path) {
    cdio_log_set_handler(quiet_log);
    auto* image = new (std::nothrow) disc_image{};
    if (image == nullptr) {
        return nullptr;
    }
    // The drive is most often a link ("q:" to game.cue): what it names decides the kind.
    char* resolved = realpath(path.c_str(), nullptr);
    const std::string target = resolved != nullptr ? resolved : path;
    std::free(resolved);
    data_track track;
    if (ends_with_ignoring_case(target, cue_extension)) {
        if (first_data_track(target, track)) {
            image->cue = open_track(track);
        }
    } else if (const int mode = raw_image_mode(target); mode != 0) {
        track.file = target;
        track.format = "MODE" + std::to_string(mode) + "/" + std::to_string(raw_sector_size);
        image->cue = open_track(track);
    } else {
        image->iso = iso9660_open_fuzzy_ext(path.c_str(), ISO_EXTENSION_NONE, volume_search_fuzz);
    }
    if (image->cue == nullptr && image->iso == nullptr) {
        delete image;
        return nullptr;
    }
    return image;
}

void image_close(disc_image* image) {
    if (image == nullptr) {
        return;
    }
    if (image->cue != nullptr) {
        cdio_destroy(image->cue);
    }
    if (image->iso != nullptr) {
        iso9660_close(image->iso);
    }
    delete image;
}

std::vector<std::string> image_root_files(disc_image* image) {
    std::vector<std::string> names;
    for_each_root_file(
        image, [&](std::string name, const iso9660_stat_t&) { names.push_back(std::move(name)); });
    return names;
}

std::FILE* image_open_file(disc_image* image, const std::string& name) {
    image_stream* stream = nullptr;
    for_each_root_file(image, [&](const std::string& found, const iso9660_stat_t& stat) {
        if (stream == nullptr && found == name) {
            stream = new (std::nothrow) image_stream{image, stat.lsn, stat.size};
        }
    });
    if (stream == nullptr) {
        image_close(image);
        return nullptr;
    }
    std::FILE* file = fopencookie(stream, "rb", {stream_read, nullptr, nullptr, stream_close});
    if (file == nullptr) {
        stream_close(stream);
    }
    return file;
}
