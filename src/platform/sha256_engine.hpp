// The library behind sha256_of: one engine per build (nettle, bcrypt, or none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr std::size_t sha256_size = 32;

class sha256_engine {
  public:
    sha256_engine();
    ~sha256_engine();
    sha256_engine(const sha256_engine&) = delete;
    sha256_engine& operator=(const sha256_engine&) = delete;

    bool ready() const;
    bool add(const std::uint8_t* bytes, std::size_t count);
    bool finish(std::uint8_t (&digest)[sha256_size]);

  private:
    struct state;
    std::unique_ptr<state> state_;
};
