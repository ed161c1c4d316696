// Disc images as drives. The input's first byte picks the kind: 0 an image of 2048-byte
// sectors, 1 a raw image, 2 a CUE sheet with its track as track.bin, 3 a CloneCD control
// file with its frames as image.img, 4 an Alcohol descriptor with its frames as image.mdf,
// 5 a Nero image, 6 a CHD image. A kind of two files has a 2-byte big-endian length, the
// first file, then the second. The image is linked as drive q, opened as the run opens it,
// searched, and every file it lists read to the end.
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "scratch_dir.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Each kind's files: the image, and the file it names (null for none).
struct image_kind {
    const char* image;
    const char* named;
};
constexpr image_kind kinds[] = {
    {"image.iso", nullptr},     {"image.bin", nullptr},     {"image.cue", "track.bin"},
    {"image.ccd", "image.img"}, {"image.mds", "image.mdf"}, {"image.nrg", nullptr},
    {"image.chd", nullptr},
};
constexpr std::size_t first_length_size = 2;
// More than any file an input of the fuzzer's length can hold.
constexpr std::uint32_t read_capacity = 4 << 20;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_image: %s: %s\n", what, detail.c_str());
    std::abort();
}

void write(const char* name, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        fail("cannot write", name);
    }
}

// Writes the image files of the input; the name drive q is to stand for.
const char* lay_out_image(const std::uint8_t* data, std::size_t size) {
    const image_kind& kind = kinds[data[0] % std::size(kinds)];
    ++data;
    --size;
    if (kind.named == nullptr) {
        write(kind.image, data, size);
        return kind.image;
    }
    std::size_t first = 0;
    if (size >= first_length_size) {
        first =
            std::min<std::size_t>((std::size_t{data[0]} << 8) | data[1], size - first_length_size);
        data += first_length_size;
        size -= first_length_size;
    }
    write(kind.image, data, first);
    write(kind.named, data + first, size - first);
    return kind.image;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    prepare_scratch_dir(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const in_scratch_dir inside;
    if (symlink(lay_out_image(data, size), "q:") != 0) {
        fail("cannot link", "q:");
    }
    const std::unique_ptr<disc> q = open_drive("q:\\").found;
    const std::vector<std::string> names = q->search("*");
    if (!std::is_sorted(names.begin(), names.end()) ||
        std::adjacent_find(names.begin(), names.end()) != names.end()) {
        fail("search", "names out of order or repeated");
    }
    // Exactly the capacity, so that the sanitizer sees a byte written beyond it.
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[read_capacity]);
    for (const std::string& name : names) {
        if (!is_safe_name(name)) {
            fail("search took an unsafe name", name);
        }
        const disc_read got = q->read(name.c_str(), buffer.get(), read_capacity);
        if (!got.found || got.count > read_capacity) {
            fail("a listed file does not read", name);
        }
    }
    return 0;
}
