// Where an encoder's bytes go: a write callback and what it writes into, so that a format
// never knows whether its bytes become a file, memory or anything else.
#pragma once

#include "core/error.hpp"

#include <cstddef>
#include <cstdint>

struct byte_sink {
    void* target = nullptr;
    // Takes all count bytes, or fails (kind write_failed) with why.
    result<void> (*write)(void* target, const std::uint8_t* bytes, std::size_t count) = nullptr;
};

inline result<void> put_bytes(const byte_sink& sink, const std::uint8_t* bytes, std::size_t count) {
    if (sink.write == nullptr) {
        return error{error_kind::bad_argument};
    }
    return sink.write(sink.target, bytes, count);
}
