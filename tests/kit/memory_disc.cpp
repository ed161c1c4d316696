#include "memory_disc.hpp"

#include "platform/listed_disc.hpp"

#include <algorithm>
#include <cstring>

namespace {

class memory_disc final : public listed_disc {
  public:
    memory_disc(std::string root, std::vector<memory_file> files)
        : listed_disc(std::move(root)), files_(std::move(files)) {
        std::vector<std::string> names;
        names.reserve(files_.size());
        for (const memory_file& file : files_) {
            names.push_back(file.name);
        }
        set_listing(names);
    }

  private:
    disc_read read_file(std::size_t file, std::uint8_t* buffer,
                        std::uint32_t capacity) const override {
        const std::vector<std::uint8_t>& data = files_[file].data;
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), capacity));
        if (count > 0) {
            std::memcpy(buffer, data.data(), count);
        }
        return {true, false, count};
    }

    std::vector<memory_file> files_;
};

} // namespace

std::unique_ptr<disc> open_memory_disc(std::string root, std::vector<memory_file> files) {
    return std::make_unique<memory_disc>(std::move(root), std::move(files));
}
