// The part of SHA-256 that is the same everywhere: the file read back in blocks, the digest
// written as hex.
#include "platform/sha256.hpp"

#include "platform/sha256_engine.hpp"

#include <cstdint>

namespace {

// Pictures are read back from the page cache the write just filled: one block of a
// picture's size in most cases.
constexpr std::size_t read_block = 64 * 1024;
constexpr char hex_digits[] = "0123456789abcdef";

} // namespace

std::string sha256_of(std::FILE* file) {
    if (!sha256_built || std::fseek(file, 0, SEEK_SET) != 0) {
        return {};
    }
    sha256_engine engine;
    if (!engine.ready()) {
        return {};
    }
    std::uint8_t block[read_block] = {};
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        if (got > 0 && !engine.add(block, got)) {
            return {};
        }
        if (got < sizeof block) {
            break;
        }
    }
    std::uint8_t digest[sha256_size] = {};
    if (std::ferror(file) != 0 || !engine.finish(digest)) {
        return {};
    }
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += hex_digits[byte >> 4];
        hex += hex_digits[byte & 0xF];
    }
    return hex;
}
