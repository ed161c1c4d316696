// Seed corpora for the fuzz targets, from a sample disc.
// Usage: make_seeds DISC_DIR OUT_DIR  ->  OUT_DIR/TARGET/ for each fuzz target
#include "cells_input.hpp"
#include "disc/cnx.hpp"
#include "disc_image.hpp"
#include "gfx/colour.hpp"
#include "picture_input.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using byte_vector = std::vector<std::uint8_t>;

fs::path disc_dir;
fs::path out_dir;
bool failed = false;

byte_vector read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_seeds: cannot read %s\n", path.c_str());
        failed = true;
        return {};
    }
    return byte_vector{std::istreambuf_iterator<char>(in), {}};
}

void write_seed(const char* target, const std::string& name, const byte_vector& bytes) {
    const fs::path dir = out_dir / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_seeds: cannot write %s/%s\n", target, name.c_str());
        failed = true;
    }
}

// A disc file as the program sees it once loaded: unpacked when it is a container.
byte_vector loaded(const std::string& name) {
    byte_vector raw = read_file(disc_dir / name);
    if (!is_cnx(raw.data(), static_cast<std::uint32_t>(raw.size()))) {
        return raw;
    }
    byte_vector out(0x100000); // more than any file of the disc unpacks to
    const result<std::uint32_t> size =
        dec_cnxdat(raw.data(), out.data(), static_cast<std::uint32_t>(raw.size()),
                   static_cast<std::uint32_t>(out.size()));
    if (!size) {
        std::fprintf(stderr, "make_seeds: cannot unpack %s (%s: %s)\n", name.c_str(),
                     size.failure().routine, name_of(size.failure().kind));
        failed = true;
        return {};
    }
    out.resize(*size);
    return out;
}

void cnx_seeds() {
    for (const auto& entry : fs::directory_iterator(disc_dir)) {
        const byte_vector bytes = read_file(entry.path());
        if (is_cnx(bytes.data(), static_cast<std::uint32_t>(bytes.size()))) {
            write_seed("fuzz_cnx", entry.path().filename().string(), bytes);
        }
    }
}

struct cells_seed {
    const char* name;
    const char* map;
    std::vector<const char*> cel_files; // laid one behind the other
    std::uint8_t header[cells_header_size];
};

void cells_seeds() {
    // Header: table width - 1, height - 1, x, y, width, height, depth, bits selector,
    // picture width, height; the cuts are those the program makes.
    const cells_seed seeds[] = {
        {"event", "EVENT.MAP", {"OP_ARLE.CEL"}, {63, 31, 0, 0, 44, 30, 0, 1, 44, 30}},
        {"ending",
         "ED_01.MAP",
         {"ED_010.CEL", "ED_011.CEL", "ED_012.CEL", "ED_013.CEL", "ED_014.CEL"},
         {63, 31, 0, 1, 22, 30, 0, 2, 22, 30}},
        {"cellmap", "DM_ARLE.MAP", {"DM_ARLE.CEL"}, {63, 63, 0, 0, 14, 28, 0, 3, 14, 28}},
        {"cellmap_parts",
         "DM_ARLB1.MAP",
         {"DM_ARLC1.CEL", "DM_ARLC2.CEL", "DM_ARLC3.CEL", "DM_ARLC4.CEL"},
         {63, 63, 0, 0, 44, 30, 0, 4, 60, 40}},
    };
    for (const cells_seed& seed : seeds) {
        byte_vector bytes(seed.header, seed.header + cells_header_size);
        byte_vector map = loaded(seed.map);
        const std::size_t table_bytes = std::size_t{seed.header[field_table_width] + 1u} *
                                        (seed.header[field_table_height] + 1u) * 2;
        map.resize(table_bytes);
        bytes.insert(bytes.end(), map.begin(), map.end());
        for (const char* cel : seed.cel_files) {
            const byte_vector part = loaded(cel);
            bytes.insert(bytes.end(), part.begin(), part.end());
        }
        write_seed("fuzz_cells", seed.name, bytes);
    }
}

byte_vector picture_header(std::uint16_t width, std::uint16_t height, std::uint8_t selector) {
    return {static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height), selector};
}

// The same pictures for both writers.
void picture_seeds() {
    struct picture_seed {
        const char* name;
        std::uint16_t width, height;
        std::uint8_t depth; // index: 1, 4, 8, 24 bits
    };
    const picture_seed seeds[] = {{"one_bit", 33, 3, 0},   {"four_bit", 7, 5, 1},
                                  {"sheet", 128, 20, 2},   {"portrait", 80, 80, 3},
                                  {"odd_width", 13, 2, 3}, {"screen", 352, 240, 2}};
    for (const picture_seed& seed : seeds) {
        byte_vector bytes = picture_header(seed.width, seed.height, seed.depth);
        for (unsigned i = 0; i < 97; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i * 37 + 11));
        }
        write_seed("fuzz_bmp", seed.name, bytes);
        write_seed("fuzz_png", seed.name, bytes);
    }
    // A portrait with the marker colour keyed out, for the PNG writer: its fill holds the
    // marker colour and colours one channel off it.
    byte_vector keyed = picture_header(80, 80, 3 | marker_flag);
    for (unsigned i = 0; i < 97; ++i) {
        keyed.push_back(i % 5 != 4 ? trans_marker_value : 0);
    }
    write_seed("fuzz_png", "portrait_keyed", keyed);
}

// A disc image of the named files as they lie on the sample disc.
void run_seed(const std::string& name, const std::vector<std::string>& files) {
    byte_vector bytes;
    for (const std::string& file : files) {
        if (!append_disc_record(bytes, file, read_file(disc_dir / file))) {
            std::fprintf(stderr, "make_seeds: %s cannot go into a disc image\n", file.c_str());
            failed = true;
        }
    }
    write_seed("fuzz_run", name, bytes);
}

void run_seeds() {
    const std::vector<std::string>& names = disc_file_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (std::find(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(i), names[i]) !=
            names.begin() + static_cast<std::ptrdiff_t>(i)) {
            std::fprintf(stderr, "make_seeds: %s listed twice\n", names[i].c_str());
            failed = true;
        }
    }
    std::vector<std::string> everything;
    for (const auto& entry : fs::directory_iterator(disc_dir)) {
        everything.push_back(entry.path().filename().string());
    }
    std::sort(everything.begin(), everything.end());
    std::vector<std::string> faces;
    for (const std::string& file : everything) {
        if (file[0] == 'F' || file[0] == 'f') {
            faces.push_back(file);
        }
    }
    // One small disc per group.
    const std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
        {"faces", faces},
        {"events", {"MP1001.SEQ", "EVENT.MAP", "OP_ARLE.CEL", "EV1001.CEL"}},
        {"ending",
         {"ED_01.MAP", "ED_010.CEL", "ED_011.CEL", "ED_012.CEL", "ED_013.CEL", "ED_014.CEL"}},
        {"title", {"TITLE.SEQ", "TITLELOG.SPR", "TITLEBG.BBG", "DM_RULU.SPR"}},
        {"cellmaps",
         {"TITLE.SEQ", "DM_ARLE.MAP", "DM_ARLE.CEL", "DM_ARLB1.MAP", "DM_ARLC1.CEL", "DM_ARLC2.CEL",
          "DM_ARLC3.CEL", "DM_ARLC4.CEL"}},
    };
    // The whole disc, the groups' files first: cut to a fuzzer's length limit, what is
    // left still reaches every group.
    std::vector<std::string> whole;
    for (const auto& [name, files] : groups) {
        run_seed(name, files);
        whole.insert(whole.end(), files.begin(), files.end());
    }
    whole.insert(whole.end(), everything.begin(), everything.end());
    std::vector<std::string> once;
    for (const std::string& file : whole) {
        if (std::find(once.begin(), once.end(), file) == once.end()) {
            once.push_back(file);
        }
    }
    run_seed("whole_disc", once);
}

// Command lines as people type them, a few of them wrong, each after a typed drive letter.
void options_seeds() {
    struct command_line {
        const char* name;
        char letter;
        std::vector<std::string> arguments;
    };
    const command_line seeds[] = {
        {"prompt", 'q', {}},
        {"drive", 'Q', {"-o", "pictures", "q:"}},
        {"png_only", 'r', {"--format=png", "--only=F0*,EV_*", "-ln", "q:\\"}},
        {"long_forms",
         's',
         {"--output", "out", "--manifest=run.json", "--encoding=sjis", "--quiet", "q"}},
        {"bundle_and_dash", 't', {"-qo", "out", "--", "-disc"}},
        {"abbreviated", 'z', {"--enc=utf8", "--form", "bmp", "--no-c", "disc/"}},
        {"image", 'm', {"--list", "--only", "title,sprites", "images/game.cue"}},
        {"help", '1', {"--help"}},
        {"version", '\n', {"-V"}},
        {"unknown", 'q', {"--bogus", "q"}},
        {"missing_value", 'q', {"-o"}},
        {"two_sources", 'q', {"q", "r"}},
        {"no_pattern", 'q', {"--only=,", "q"}},
    };
    for (const command_line& seed : seeds) {
        byte_vector bytes{static_cast<std::uint8_t>(seed.letter)};
        for (std::size_t i = 0; i < seed.arguments.size(); ++i) {
            if (i != 0) {
                bytes.push_back('\0');
            }
            bytes.insert(bytes.end(), seed.arguments[i].begin(), seed.arguments[i].end());
        }
        write_seed("fuzz_options", seed.name, bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds DISC_DIR OUT_DIR\n");
        return 2;
    }
    disc_dir = argv[1];
    out_dir = argv[2];
    cnx_seeds();
    cells_seeds();
    picture_seeds();
    run_seeds();
    options_seeds();
    return failed ? 1 : 0;
}
