// What the benchmark files share: made-up picture bytes and the memcpy ceiling.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The same bytes on every run, so that runs compare.
std::vector<std::uint8_t> random_bytes(std::size_t count, std::uint32_t seed);

// Copies bytes from one buffer into another: no routine that makes that many bytes can
// beat it.
void memcpy_ceiling(benchmark::State& state, std::size_t bytes);
