// The I/O the whole run cannot avoid, in one process as the program does it: every file of
// the disc read once, then every picture written as zeros of the same size.
// Usage: io_floor DISC_DIR OUT_DIR < list   (list: one "SIZE NAME" line a picture)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Bigger than any disc file, so each is read in one call.
constexpr std::size_t read_buffer_size = 1 << 20;
constexpr int usage_status = 2;
constexpr int failure_status = 1;

bool read_every_file(const fs::path& disc, std::vector<char>& buffer) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(disc, error)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::FILE* file = std::fopen(entry.path().c_str(), "rb");
        if (file == nullptr) {
            return false;
        }
        while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
        }
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            return false;
        }
    }
    return !error;
}

bool write_file(const fs::path& path, const std::vector<char>& zeros, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    // Unbuffered: the whole picture in one write call.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const bool written = std::fwrite(zeros.data(), 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: io_floor DISC_DIR OUT_DIR < list of \"SIZE NAME\" lines\n";
        return usage_status;
    }
    // The list is read before any file is touched: the program knows its pictures' sizes.
    std::vector<std::pair<std::size_t, std::string>> pictures;
    std::size_t largest = 0;
    std::size_t size = 0;
    std::string name;
    while (std::cin >> size >> name) {
        pictures.emplace_back(size, name);
        largest = std::max(largest, size);
    }
    std::vector<char> buffer(read_buffer_size);
    if (!read_every_file(argv[1], buffer)) {
        std::cerr << "io_floor: cannot read " << argv[1] << "\n";
        return failure_status;
    }
    const std::vector<char> zeros(largest);
    const fs::path out = argv[2];
    for (const auto& [bytes, file_name] : pictures) {
        if (!write_file(out / file_name, zeros, bytes)) {
            std::cerr << "io_floor: cannot write " << file_name << "\n";
            return failure_status;
        }
    }
    return 0;
}
