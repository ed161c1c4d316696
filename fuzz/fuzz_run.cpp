// The whole extraction run over a disc made from the input (format in disc_image.hpp).
#include "app/run.hpp"
#include "bmp/bmp_out.hpp"
#include "disc_image.hpp"
#include "gfx/colour.hpp"
#include "platform/memory_disc.hpp"
#include "scratch_dir.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t off_file_size = 2;

[[noreturn]] void fail(const char* what, const char* detail) {
    std::fprintf(stderr, "fuzz_run: %s: %s\n", what, detail);
    std::abort();
}

// Whatever the disc held, every file the run leaves is a whole BMP file.
void check_pictures() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        std::uint8_t header[bmp_headers_size] = {};
        std::ifstream in(entry.path(), std::ios::binary);
        in.read(reinterpret_cast<char*>(header), sizeof header);
        const std::uint8_t* size = header + off_file_size;
        const std::uintmax_t claimed = std::uint32_t{size[0]} | (std::uint32_t{size[1]} << 8) |
                                       (std::uint32_t{size[2]} << 16) |
                                       (std::uint32_t{size[3]} << 24);
        if (!in || header[0] != 'B' || header[1] != 'M' || claimed != entry.file_size()) {
            fail("not a whole BMP file", name.c_str());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Every index byte but the marker must be able to name any file.
    if (disc_file_names().size() >= free_name_marker) {
        fail("disc names", "too many for one byte");
    }
    silence_stdout();
    prepare_scratch_dir(argc, argv); // the pictures go to the current folder
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::unique_ptr<disc> source = open_memory_disc("q:\\", parse_disc_image(data, size));
    const in_scratch_dir inside;
    const status result = run_extraction(*source);
    // The run reports its failures and only ever hands back 0 or -1.
    if (result != st_ok && result != st_reported) {
        fail("run_extraction result", std::to_string(result).c_str());
    }
    // The next input must start from the plain mode, as a fresh program does.
    if (transparency_mode() != trans_plain) {
        fail("transparency mode", "left set");
    }
    std::fflush(stdout);
    check_pictures();
    return 0;
}
