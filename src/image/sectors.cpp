#include "image/sectors.hpp"

#include <algorithm>
#include <cstring>

namespace {

// Raw frames read at a time: one read brings 75 KiB, the data taken out of each frame.
constexpr std::uint32_t frames_in_batch = 32;

class framed final : public sector_source {
  public:
    framed(std::unique_ptr<image_file> file, framing f, std::uint64_t start)
        : file_(std::move(file)), frames_(f), start_(start) {
        if (frames_.frame_size != sector_size) {
            batch_.resize(std::size_t{frames_in_batch} * frames_.frame_size);
        }
    }

    bool read(std::uint64_t first, std::uint32_t count, std::uint8_t* out,
              std::size_t& delivered) const override {
        delivered = 0;
        if (count != 0 && first >= sectors()) {
            return false; // no sector of the image: never a wrapped offset's bytes
        }
        if (frames_.frame_size == sector_size) {
            // Back to back: one read straight into the caller's buffer.
            return file_->read_at(frame_at(first), out, std::size_t{count} * sector_size,
                                  delivered);
        }
        for (std::uint32_t done = 0; done < count;) {
            const std::uint32_t n = std::min(frames_in_batch, count - done);
            // From the first frame's data to the last one's end: the frames' own bytes
            // around the data are read and passed over.
            const std::size_t span = std::size_t{n - 1} * frames_.frame_size + sector_size;
            std::size_t got = 0;
            if (!file_->read_at(frame_at(first + done), batch_.data(), span, got)) {
                return false;
            }
            for (std::uint32_t i = 0; i < n; ++i, ++done) {
                const std::size_t at = std::size_t{i} * frames_.frame_size;
                const std::size_t part =
                    got > at ? std::min<std::size_t>(got - at, sector_size) : 0;
                std::memcpy(out + delivered, batch_.data() + at, part);
                delivered += part;
                if (part < sector_size) {
                    return true; // the image ends here
                }
            }
        }
        return true;
    }

    std::uint64_t sectors() const override {
        const std::uint64_t size = file_->size();
        if (size <= start_ + frames_.data_at) {
            return 0;
        }
        const std::uint64_t bytes = size - start_ - frames_.data_at;
        return (bytes + frames_.frame_size - 1) / frames_.frame_size;
    }

  private:
    std::uint64_t frame_at(std::uint64_t sector) const {
        return start_ + std::uint64_t{sector} * frames_.frame_size + frames_.data_at;
    }

    std::unique_ptr<image_file> file_;
    framing frames_;
    std::uint64_t start_;
    mutable std::vector<std::uint8_t> batch_;
};

} // namespace

std::unique_ptr<sector_source> framed_track(std::unique_ptr<image_file> file, framing f,
                                            std::uint64_t start) {
    return std::make_unique<framed>(std::move(file), f, start);
}
