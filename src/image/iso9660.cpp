#include "image/iso9660.hpp"

#include <cstring>

namespace {

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
constexpr std::uint8_t flag_more_extents = 0x80; // the file goes on in the next record

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

constexpr framing raw_framings[] = {raw_mode1, raw_mode2};

// Whether sector 16 of the file, framed as f, holds a primary volume descriptor.
bool volume_under(const image_file& file, framing f) {
    std::uint8_t sector[sector_size] = {};
    std::size_t delivered = 0;
    const std::uint64_t at = std::uint64_t{volume_descriptor_sector} * f.frame_size + f.data_at;
    return file.read_at(at, sector, sector_size, delivered) && delivered == sector_size &&
           is_primary_volume(sector);
}

bool read_sector(const sector_source& source, std::uint64_t sector, std::uint8_t* out) {
    std::size_t delivered = 0;
    return source.read(sector, 1, out, delivered) && delivered == sector_size;
}

} // namespace

bool is_primary_volume(const std::uint8_t* sector) {
    return sector[0] == primary_volume_type &&
           std::memcmp(sector + standard_id_at, standard_id, sizeof standard_id - 1) == 0;
}

bool list_iso_root(const sector_source& source, std::vector<iso_file>& files) {
    files.clear();
    std::uint8_t sector[sector_size] = {};
    if (!read_sector(source, volume_descriptor_sector, sector) || !is_primary_volume(sector)) {
        return false;
    }
    const std::uint8_t* root = sector + root_record_at;
    const std::uint32_t first = le32(root + record_extent_at);
    const std::uint32_t size = le32(root + record_size_at);
    if (size == 0 || size % sector_size != 0 || size > largest_root ||
        std::uint64_t{first} + size / sector_size > source.sectors()) {
        return false;
    }
    // Records lie whole inside their sector (a record never crosses one; a length of 0 ends
    // the sector's records).
    bool continued = false;
    for (std::uint32_t s = 0; s < size / sector_size; ++s) {
        if (!read_sector(source, std::uint64_t{first} + s, sector)) {
            return false;
        }
        for (std::uint32_t at = 0; at + record_name_at <= sector_size;) {
            const std::uint8_t* record = sector + at;
            const std::uint32_t length = record[0];
            const std::uint32_t name_length = record[record_name_length_at];
            if (length < record_name_at + name_length || at + length > sector_size) {
                break;
            }
            at += length;
            const std::uint8_t flags = record[record_flags_at];
            if ((flags & (flag_directory | flag_associated)) != 0) {
                continued = false;
                continue;
            }
            const iso_extent extent = {le32(record + record_extent_at),
                                       le32(record + record_size_at)};
            std::string name(reinterpret_cast<const char*>(record + record_name_at), name_length);
            if (continued && files.back().name == name) {
                files.back().extents.push_back(extent);
            } else {
                files.push_back({std::move(name), {extent}});
            }
            continued = (flags & flag_more_extents) != 0;
        }
    }
    return true;
}

bool probe_iso_image(const image_file& file) {
    return volume_under(file, plain_sectors);
}

result<opened_image> open_iso_image(std::unique_ptr<image_file> file, const std::string&,
                                    file_beside) {
    return opened_image{framed_track(std::move(file), plain_sectors, 0), {}};
}

bool probe_raw_image(const image_file& file) {
    for (const framing f : raw_framings) {
        if (volume_under(file, f)) {
            return true;
        }
    }
    return false;
}

result<opened_image> open_raw_image(std::unique_ptr<image_file> file, const std::string& path,
                                    file_beside) {
    for (const framing f : raw_framings) {
        if (volume_under(*file, f)) {
            return opened_image{framed_track(std::move(file), f, 0), {}};
        }
    }
    return image_error(error_kind::not_an_image, path);
}
