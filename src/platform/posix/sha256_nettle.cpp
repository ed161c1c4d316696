#include "platform/sha256.hpp"
#include "platform/sha256_engine.hpp"

#include <nettle/sha2.h>
#include <nettle/version.h>

const bool sha256_built = true;

sha256_library sha256_support() {
    return {"nettle",
            std::to_string(NETTLE_VERSION_MAJOR) + "." + std::to_string(NETTLE_VERSION_MINOR),
            false};
}

struct sha256_engine::state {
    sha256_ctx context{};
};

sha256_engine::sha256_engine() : state_(std::make_unique<state>()) {
    sha256_init(&state_->context);
}

sha256_engine::~sha256_engine() = default;

bool sha256_engine::ready() const {
    return true;
}

bool sha256_engine::add(const std::uint8_t* bytes, std::size_t count) {
    sha256_update(&state_->context, count, bytes);
    return true;
}

bool sha256_engine::finish(std::uint8_t (&digest)[sha256_size]) {
    static_assert(sha256_size == SHA256_DIGEST_SIZE);
    sha256_digest(&state_->context, sizeof digest, digest);
    return true;
}
