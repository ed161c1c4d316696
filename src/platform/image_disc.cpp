#include "platform/image_disc.hpp"

#include "image/iso9660.hpp"
#include "platform/disc_names.hpp"
#include "platform/listed_disc.hpp"

#include <algorithm>
#include <cstring>

namespace {

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

} // namespace

result<named_file> open_file_beside(const std::string& sheet_path, const std::string& name) {
    std::string path = path_beside(sheet_path, name);
    result<std::unique_ptr<image_file>> file = open_image_file(path);
    if (!file) {
        return std::move(file.failure());
    }
    return named_file{std::move(file.value()), std::move(path)};
}

result<std::unique_ptr<disc>> open_image_disc(std::string root, const std::string& path) {
    result<std::unique_ptr<image_file>> file = open_image_file(path);
    if (!file) {
        return std::move(file.failure());
    }
    return image_disc_of(std::move(root), path, std::move(file.value()));
}

result<std::unique_ptr<disc>> image_disc_of(std::string root, const std::string& path,
                                            std::unique_ptr<image_file> file) {
    const image_format* format = image_format_of(*file, path_followed(path));
    if (format == nullptr) {
        return image_error(error_kind::not_an_image, path);
    }
    result<opened_image> opened = format->open(std::move(file), path, open_file_beside);
    if (!opened) {
        return std::move(opened.failure());
    }
    std::vector<iso_file> files;
    if (!list_iso_root(*opened->sectors, files)) {
        return image_error(error_kind::not_an_image, path);
    }
    auto found = std::make_unique<image_disc>(std::move(root), std::move(opened.value().sectors),
                                              std::move(files));
    found->add_file_read(facts_of(path).identity);
    if (!opened->track_path.empty()) {
        found->add_file_read(facts_of(opened->track_path).identity);
    }
    return std::unique_ptr<disc>(std::move(found));
}
