#include "platform/listed_disc.hpp"

#include "core/ascii.hpp"
#include "platform/disc_names.hpp"

#include <algorithm>
#include <tuple>

void listed_disc::set_listing(const std::vector<std::string>& names) {
    entries_.clear();
    entries_.reserve(names.size());
    for (std::size_t file = 0; file < names.size(); ++file) {
        std::string name = names[file];
        if (is_safe_name(name)) {
            entries_.push_back({lower_case(name), std::move(name), file});
        }
    }
    std::sort(entries_.begin(), entries_.end(), [](const entry& a, const entry& b) {
        return std::tie(a.folded, a.name, a.file) < std::tie(b.folded, b.name, b.file);
    });
    // Two files shown under one name: the one listed first stands for both.
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [](const entry& a, const entry& b) { return a.name == b.name; }),
                   entries_.end());
}

disc_read listed_disc::read(const char* name, std::uint8_t* buffer, std::uint32_t capacity) const {
    const std::string wanted = name;
    if (!is_safe_name(wanted)) {
        return {};
    }
    // Among the names that differ from it at most in case: itself, else the first in
    // byte order.
    struct by_folded {
        bool operator()(const entry& e, const std::string& key) const { return e.folded < key; }
        bool operator()(const std::string& key, const entry& e) const { return key < e.folded; }
    };
    const auto [first, last] =
        std::equal_range(entries_.begin(), entries_.end(), lower_case(wanted), by_folded{});
    if (first == last) {
        return {};
    }
    const auto exact = std::find_if(first, last, [&](const entry& e) { return e.name == wanted; });
    return read_file(exact != last ? exact->file : first->file, buffer, capacity);
}

std::vector<std::string> listed_disc::search(const char* pattern) const {
    std::vector<std::string> names;
    for (const entry& e : entries_) {
        if (wildcard_match(pattern, e.name.c_str())) {
            names.push_back(e.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// A disc with nothing on it: the drive that holds none.
class empty_disc final : public listed_disc {
  public:
    explicit empty_disc(std::string root) : listed_disc(std::move(root)) {}

  private:
    disc_read read_file(std::size_t, std::uint8_t*, std::uint32_t) const override { return {}; }
};

} // namespace

std::unique_ptr<disc> open_empty_disc(std::string root) {
    return std::make_unique<empty_disc>(std::move(root));
}
