#include "platform/sha256.hpp"
#include "platform/sha256_engine.hpp"

#include <vector>
#include <windows.h>

#include <bcrypt.h>

const bool sha256_built = true;

sha256_library sha256_support() {
    return {"bcrypt", {}, true};
}

struct sha256_engine::state {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::vector<UCHAR> object; // the hash's own memory, as Vista wants it given
};

sha256_engine::sha256_engine() : state_(std::make_unique<state>()) {
    if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        state_->algorithm = nullptr;
        return;
    }
    DWORD object_size = 0;
    ULONG got = 0;
    if (BCryptGetProperty(state_->algorithm, BCRYPT_OBJECT_LENGTH,
                          reinterpret_cast<PUCHAR>(&object_size), sizeof object_size, &got,
                          0) != 0) {
        return;
    }
    state_->object.assign(object_size, 0);
    if (BCryptCreateHash(state_->algorithm, &state_->hash, state_->object.data(), object_size,
                         nullptr, 0, 0) != 0) {
        state_->hash = nullptr;
    }
}

sha256_engine::~sha256_engine() {
    if (state_->hash != nullptr) {
        BCryptDestroyHash(state_->hash);
    }
    if (state_->algorithm != nullptr) {
        BCryptCloseAlgorithmProvider(state_->algorithm, 0);
    }
}

bool sha256_engine::ready() const {
    return state_->hash != nullptr;
}

bool sha256_engine::add(const std::uint8_t* bytes, std::size_t count) {
    return BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), static_cast<ULONG>(count), 0) ==
           0;
}

bool sha256_engine::finish(std::uint8_t (&digest)[sha256_size]) {
    return BCryptFinishHash(state_->hash, digest, sizeof digest, 0) == 0;
}
