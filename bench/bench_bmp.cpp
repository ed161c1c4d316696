// bmp_out writing picture-sized files into a folder of its own, beside memcpy of the file's
// bytes and one plain write of them. Bytes counted are bytes of the file.
#include "bench_support.hpp"
#include "encode/bmp_out.hpp"
#include "gfx/colour.hpp"
#include "scratch_folder.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t pixels_seed = 5;
constexpr std::uint32_t palette_seed = 6;
constexpr char picture_name[] = "BENCH.BMP";
// The buffer the run gives each picture file (encode/folder_sink.cpp).
constexpr std::size_t run_write_buffer = 64 * 1024;

struct bmp_case {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    pixel_format format;
};

constexpr bmp_case bmp_cases[] = {
    {"title_352x240_8bit", 352, 240, pixel_format::index8},
    {"ending_176x240_24bit", 176, 240, pixel_format::bgr8},
};

std::size_t palette_entries(const bmp_case& c) {
    return is_indexed(c.format) ? std::size_t{1} << bits_of(c.format) : 0;
}

std::size_t palette_bytes(const bmp_case& c) {
    return palette_entries(c) * palette_entry_size;
}

std::size_t pixel_bytes(const bmp_case& c) {
    return std::size_t{bmp_stride(c.width, bits_of(c.format))} * c.height;
}

// The bytes into a stream, as the folder's sink gives them to its file.
result<void> into_file(void* target, const std::uint8_t* bytes, std::size_t count) {
    if (std::fwrite(bytes, 1, count, static_cast<std::FILE*>(target)) != count) {
        return error{error_kind::write_failed};
    }
    return {};
}

std::size_t file_bytes(const bmp_case& c) {
    return bmp_headers_size + palette_bytes(c) + pixel_bytes(c);
}

// Makes the fresh folder the working folder until it goes; false, the benchmark skipped,
// when it cannot be had.
bool enter_scratch(benchmark::State& state, const scratch_folder& folder) {
    if (!folder.made() || !folder.enter()) {
        state.SkipWithError("no scratch folder");
        return false;
    }
    return true;
}

// The program writes new files into a fresh folder. Writing over the last round's file
// instead would time something else: ext4, for one, flushes a file truncated and written
// again when it is closed.
void remove_untimed(benchmark::State& state) {
    state.PauseTiming();
    std::remove(picture_name);
    state.ResumeTiming();
}

// A new file, buffered as the run buffers it, written by bmp_out and closed.
void run_bmp_out(benchmark::State& state, bmp_case c) {
    const std::vector<std::uint8_t> pixels = random_bytes(pixel_bytes(c), pixels_seed);
    const std::vector<std::uint8_t> shades = random_bytes(palette_entries(c) * 3, palette_seed);
    std::vector<rgb> palette;
    for (std::size_t i = 0; i < shades.size(); i += 3) {
        palette.push_back({shades[i], shades[i + 1], shades[i + 2]});
    }
    const image p{
        c.width, c.height,    c.format, pixels.data(), bmp_stride(c.width, bits_of(c.format)),
        palette, std::nullopt};
    std::vector<char> buffer(run_write_buffer);
    const scratch_folder folder("bench");
    if (!enter_scratch(state, folder)) {
        return;
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(picture_name, "wb");
        if (file == nullptr) {
            state.SkipWithError("cannot create the file");
            break;
        }
        std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
        const result<void> written = bmp_out({file, into_file}, p);
        if (std::fclose(file) != 0 || !written) {
            state.SkipWithError("bmp_out failed");
            break;
        }
        remove_untimed(state);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file_bytes(c)));
}

// What any writer of the file pays: one open, one write, one close.
void run_one_write(benchmark::State& state, std::size_t bytes) {
    const std::vector<std::uint8_t> contents = random_bytes(bytes, pixels_seed);
    const scratch_folder folder("bench");
    if (!enter_scratch(state, folder)) {
        return;
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(picture_name, "wb");
        if (file == nullptr) {
            state.SkipWithError("cannot create the file");
            break;
        }
        const bool written = std::fwrite(contents.data(), 1, bytes, file) == bytes;
        if (std::fclose(file) != 0 || !written) {
            state.SkipWithError("cannot write the file");
            break;
        }
        remove_untimed(state);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

bool register_bmp_benchmarks() {
    for (const bmp_case& c : bmp_cases) {
        const std::string name = std::string("bmp_out/") + c.name;
        benchmark::RegisterBenchmark(name.c_str(), run_bmp_out, c);
        benchmark::RegisterBenchmark((name + "/one_write").c_str(), run_one_write, file_bytes(c));
        benchmark::RegisterBenchmark((name + "/memcpy").c_str(), memcpy_ceiling, file_bytes(c));
    }
    return true;
}

[[maybe_unused]] const bool bmp_registered = register_bmp_benchmarks();

} // namespace
