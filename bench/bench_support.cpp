#include "bench_support.hpp"

#include <cstring>
#include <random>

namespace {

constexpr unsigned byte_shift = 24; // the top byte of the generator's 32 bits
constexpr std::uint32_t ceiling_seed = 7;

} // namespace

std::vector<std::uint8_t> random_bytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator() >> byte_shift);
    }
    return bytes;
}

void memcpy_ceiling(benchmark::State& state, std::size_t bytes) {
    const std::vector<std::uint8_t> from = random_bytes(bytes, ceiling_seed);
    std::vector<std::uint8_t> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
