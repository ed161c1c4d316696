#include "platform/disc_access.hpp"
#include "platform/disc_names.hpp"
#include "platform/listed_search.hpp"
#include "platform/memory_disc.hpp"

#include <algorithm>
#include <stdio.h> // fmemopen

namespace {

std::vector<memory_file> disc;

// Names match as on a folder drive: exactly first, then without regard to case.
const memory_file* find_file(const char* name) {
    const memory_file* folded = nullptr;
    for (const memory_file& file : disc) {
        if (file.name == name) {
            return &file;
        }
        if (same_ignoring_case(file.name.c_str(), name) &&
            (folded == nullptr || file.name < folded->name)) {
            folded = &file;
        }
    }
    return folded;
}

} // namespace

void memory_disc_set(std::vector<memory_file> files) {
    disc = std::move(files);
}

std::FILE* open_disc_file(const char* path) {
    const char* name = after_drive_root(path);
    const memory_file* file = name != nullptr ? find_file(name) : nullptr;
    if (file == nullptr) {
        return nullptr;
    }
    // An empty buffer cannot be opened as a stream: an empty file reads as /dev/null does.
    if (file->data.empty()) {
        return std::fopen("/dev/null", "rb");
    }
    return fmemopen(const_cast<std::uint8_t*>(file->data.data()), file->data.size(), "rb");
}

disc_search* find_first(const char* pattern, find_record* record) {
    const char* wanted = after_drive_root(pattern);
    std::vector<std::string> names;
    for (const memory_file& file : disc) {
        if (wanted != nullptr && wildcard_match(wanted, file.name.c_str())) {
            names.push_back(file.name);
        }
    }
    return start_listed_search(std::move(names), record);
}
