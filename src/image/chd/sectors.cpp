// The data track of a CHD image as sectors: each sector's frame found in its hunk, the hunk
// read, decompressed straight into its place among the hunks kept, a few at a time.
#include "image/chd/chd.hpp"
#include "image/chd/codecs.hpp"
#include "image/chd/header.hpp"
#include "image/chd/metadata.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A hunk that copies another may name one that copies another in turn; a chain longer
// than this is no image's.
constexpr int longest_copy_chain = 8;
constexpr std::uint32_t no_hunk = 0xFFFFFFFF;

class chd_sectors final : public sector_source {
  public:
    chd_sectors(std::unique_ptr<image_file> file, const chd_header& header, chd_map map,
                const chd_data_track& track, std::unique_ptr<cd_decoders> decoders)
        : file_(std::move(file)), header_(header), map_(std::move(map)), track_(track),
          decoders_(std::move(decoders)), hunk_in_(header.hunk_bytes, 0),
          kept_(chd_hunks_kept * std::size_t{header.frames_per_hunk} * cd_sector_bytes, 0) {
        std::fill(std::begin(kept_hunk_), std::end(kept_hunk_), no_hunk);
    }

    bool read(std::uint64_t first, std::uint32_t count, std::uint8_t* out,
              std::size_t& delivered) const override {
        delivered = 0;
        if (count != 0 && first >= sectors()) {
            return false;
        }
        const std::uint64_t end = std::min<std::uint64_t>(first + count, sectors());
        for (std::uint64_t sector = first; sector < end; ++sector) {
            const std::uint64_t frame = track_.first_frame + sector;
            const std::uint8_t* data =
                kept_data(static_cast<std::uint32_t>(frame / header_.frames_per_hunk));
            if (data == nullptr) {
                return false;
            }
            std::memcpy(out + delivered,
                        data + frame % header_.frames_per_hunk * std::size_t{cd_sector_bytes} +
                            track_.data_at,
                        sector_size);
            delivered += sector_size;
        }
        return true;
    }

    std::uint64_t sectors() const override { return track_.frames; }

  private:
    // Hunk's frames, decompressed now or kept from before; null when it does not read.
    const std::uint8_t* kept_data(std::uint32_t hunk) const {
        const std::size_t kept_bytes = std::size_t{header_.frames_per_hunk} * cd_sector_bytes;
        std::size_t slot = 0;
        for (std::size_t i = 0; i < chd_hunks_kept; ++i) {
            if (kept_hunk_[i] == hunk) {
                last_use_[i] = ++uses_;
                return kept_.data() + i * kept_bytes;
            }
            if (last_use_[i] < last_use_[slot]) {
                slot = i;
            }
        }
        std::uint8_t* data = kept_.data() + slot * kept_bytes;
        kept_hunk_[slot] = no_hunk;
        if (!decompress(hunk, data)) {
            return nullptr;
        }
        kept_hunk_[slot] = hunk;
        last_use_[slot] = ++uses_;
        return data;
    }

    // The frames of hunk, 2352 bytes each, into out.
    bool decompress(std::uint32_t hunk, std::uint8_t* out) const {
        hunk_entry entry = entry_of(map_, hunk);
        for (int i = 0; entry.kind == hunk_kind::copy; ++i) {
            if (i == longest_copy_chain || entry.offset >= header_.hunk_count) {
                return false;
            }
            entry = entry_of(map_, static_cast<std::uint32_t>(entry.offset));
        }
        switch (entry.kind) {
        case hunk_kind::unwritten:
            std::memset(out, 0, std::size_t{header_.frames_per_hunk} * cd_sector_bytes);
            return true;
        case hunk_kind::codec:
            return entry.length <= hunk_in_.size() && read_in(entry.offset, entry.length) &&
                   decoders_->decode(header_.codecs[entry.codec], hunk_in_.data(), entry.length,
                                     out, header_.frames_per_hunk);
        case hunk_kind::stored:
            // Each frame followed by its subcode, which is left behind.
            if (!read_in(entry.offset, header_.hunk_bytes)) {
                return false;
            }
            for (std::uint32_t f = 0; f < header_.frames_per_hunk; ++f) {
                std::memcpy(out + std::size_t{f} * cd_sector_bytes,
                            hunk_in_.data() + std::size_t{f} * cd_frame_bytes, cd_sector_bytes);
            }
            return true;
        case hunk_kind::copy:
        case hunk_kind::parent:
            break;
        }
        return false;
    }

    bool read_in(std::uint64_t offset, std::size_t count) const {
        return count <= hunk_in_.size() && read_exactly(*file_, offset, hunk_in_.data(), count);
    }

    std::unique_ptr<image_file> file_;
    chd_header header_;
    chd_map map_;
    chd_data_track track_;
    std::unique_ptr<cd_decoders> decoders_;
    // One hunk as the file holds it, and the hunks kept, their frames decompressed.
    mutable std::vector<std::uint8_t> hunk_in_;
    mutable std::vector<std::uint8_t> kept_;
    mutable std::uint32_t kept_hunk_[chd_hunks_kept] = {};
    mutable std::uint64_t last_use_[chd_hunks_kept] = {};
    mutable std::uint64_t uses_ = 0;
};

} // namespace

result<opened_image> open_chd(std::unique_ptr<image_file> file, const std::string& path,
                              file_beside) {
    result<chd_header> header = read_chd_header(*file, path);
    if (!header) {
        return std::move(header.failure());
    }
    result<chd_data_track> track = find_data_track(*file, *header, path);
    if (!track) {
        return std::move(track.failure());
    }
    result<chd_map> map = read_chd_map(*file, *header, path);
    if (!map) {
        return std::move(map.failure());
    }
    return opened_image{std::make_unique<chd_sectors>(std::move(file), *header,
                                                      std::move(map.value()), *track,
                                                      make_cd_decoders(*header)),
                        std::string()};
}
