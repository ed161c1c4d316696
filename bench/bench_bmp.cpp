// bmp_out writing picture-sized files into a folder of its own, beside memcpy of the file's
// bytes and one plain write of them. Bytes counted are bytes of the file.
#include "bench_support.hpp"
#include "bmp/bmp_out.hpp"
#include "gfx/colour.hpp"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

// bmp_out prints a line for every file; only POSIX can silence standard output and give it
// back, and the benchmarks are built for POSIX systems only.
#include <fcntl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t pixels_seed = 5;
constexpr std::uint32_t palette_seed = 6;
constexpr char picture_name[] = "BENCH.BMP";
constexpr char null_device[] = "/dev/null";

struct bmp_case {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    std::uint16_t bits;
};

constexpr bmp_case bmp_cases[] = {
    {"title_352x240_8bit", 352, 240, 8},
    {"ending_176x240_24bit", 176, 240, 24},
};

constexpr std::uint16_t indexed_limit = 16;

std::size_t palette_bytes(const bmp_case& c) {
    return c.bits < indexed_limit ? std::size_t{palette_entry_size} << c.bits : 0;
}

std::size_t pixel_bytes(const bmp_case& c) {
    return std::size_t{bmp_stride(c.width, c.bits)} * c.height;
}

std::size_t file_bytes(const bmp_case& c) {
    return bmp_headers_size + palette_bytes(c) + pixel_bytes(c);
}

// A fresh folder under the system's temporary one, the working folder while it lives.
class scratch_folder {
  public:
    scratch_folder() : previous_(fs::current_path()) {
        const fs::path base = fs::temp_directory_path();
        std::random_device random;
        do {
            path_ = base / ("quillmoor-bench-" + std::to_string(random()));
        } while (!fs::create_directory(path_));
        fs::current_path(path_);
    }
    ~scratch_folder() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

  private:
    fs::path previous_;
    fs::path path_;
};

// Standard output goes to the null device while it lives; the report still reaches it.
class quiet_stdout {
  public:
    quiet_stdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null_fd = open(null_device, O_WRONLY);
        if (saved_ >= 0 && null_fd >= 0) {
            dup2(null_fd, STDOUT_FILENO);
        }
        if (null_fd >= 0) {
            close(null_fd);
        }
    }
    ~quiet_stdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
    }
    quiet_stdout(const quiet_stdout&) = delete;
    quiet_stdout& operator=(const quiet_stdout&) = delete;

  private:
    int saved_ = -1;
};

// The program writes new files into a fresh folder. Writing over the last round's file
// instead would time something else: ext4, for one, flushes a file truncated and written
// again when it is closed.
void remove_untimed(benchmark::State& state) {
    state.PauseTiming();
    std::remove(picture_name);
    state.ResumeTiming();
}

void run_bmp_out(benchmark::State& state, bmp_case c) {
    const std::vector<std::uint8_t> pixels = random_bytes(pixel_bytes(c), pixels_seed);
    const std::vector<std::uint8_t> palette = random_bytes(palette_bytes(c), palette_seed);
    const std::uint8_t* palette_or_none = palette.empty() ? nullptr : palette.data();
    const scratch_folder folder;
    const quiet_stdout quiet;
    for (auto _ : state) {
        if (bmp_out(picture_name, palette_or_none, pixels.data(), c.width, c.height, c.bits) !=
            st_ok) {
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
    const scratch_folder folder;
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
