// A build without a SHA-256 library: the manifest's pictures go without their checksums.
#include "platform/sha256.hpp"
#include "platform/sha256_engine.hpp"

const bool sha256_built = false;

sha256_library sha256_support() {
    return {"nettle", {}, false};
}

struct sha256_engine::state {};

sha256_engine::sha256_engine() = default;
sha256_engine::~sha256_engine() = default;

bool sha256_engine::ready() const {
    return false;
}

bool sha256_engine::add(const std::uint8_t*, std::size_t) {
    return false;
}

bool sha256_engine::finish(std::uint8_t (&)[sha256_size]) {
    return false;
}
