// dec_cnxlz against the byte-at-a-time reference decoder and memcpy, on streams made by the
// sample disc maker's packer. Bytes counted are bytes of output.
#include "bench_support.hpp"
#include "cnx_pack.hpp"
#include "cnx_reference.hpp"
#include "disc/cnx.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The biggest buffer the program unpacks a file into: a cell map's cells.
constexpr std::size_t synthetic_size = 262144;
constexpr std::uint32_t random_seed = 1;
constexpr std::uint8_t run_byte = 0x3C;
constexpr std::uint8_t pair_bytes[2] = {0x12, 0xEF};

// Overrides the disc made at build time.
constexpr char sample_disc_variable[] = "QUILLMOOR_SAMPLE_DISC";
// Cells, sprites and backgrounds; tables and palettes are not pictures.
constexpr const char* picture_extensions[] = {".CEL", ".SPR", ".BBG"};

// Shaped as most packed files of the sample disc are.
constexpr sample::cnx_options packing{.lead_skip = -1,
                                      .empty_run = false,
                                      .literal_runs = true,
                                      .far_matches = false,
                                      .mid_skip_after = -1,
                                      .mid_skip_count = 0,
                                      .trailing = 0};

struct packed_stream {
    std::vector<std::uint8_t> file; // header, then the stream
    std::vector<std::uint8_t> data; // what the stream unpacks to
};

struct stream_set {
    std::vector<packed_stream> streams;
    std::size_t output_bytes = 0;
    std::size_t largest = 0;
    std::string error; // why the set could not be made
};

using decoder = bool (*)(const packed_stream&, std::uint8_t*);

const std::uint8_t* stream_start(const packed_stream& s) {
    return s.file.data() + sample::cnx_header_size;
}

std::uint32_t stream_length(const packed_stream& s) {
    return static_cast<std::uint32_t>(s.file.size() - sample::cnx_header_size);
}

bool decode_quillmoor(const packed_stream& s, std::uint8_t* out) {
    return dec_cnxlz(stream_start(s), out, stream_length(s),
                     static_cast<std::uint32_t>(s.data.size()))
        .ok();
}

bool decode_reference(const packed_stream& s, std::uint8_t* out) {
    return cnx_reference_decode(stream_start(s), out, stream_length(s),
                                static_cast<std::uint32_t>(s.data.size())) == st_ok;
}

bool copy_output(const packed_stream& s, std::uint8_t* out) {
    std::memcpy(out, s.data.data(), s.data.size());
    return true;
}

void add_stream(stream_set& set, std::vector<std::uint8_t> data) {
    packed_stream s;
    const sample::cnx_status packed = sample::cnx_pack(data, "BIN", packing, s.file);
    if (packed != sample::cnx_status::ok) {
        set.error = std::string("packing failed: ") + sample::cnx_status_text(packed);
        return;
    }
    s.data = std::move(data);
    set.output_bytes += s.data.size();
    set.largest = std::max(set.largest, s.data.size());
    set.streams.push_back(std::move(s));
}

std::vector<std::uint8_t> read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool is_picture_file(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return std::find(std::begin(picture_extensions), std::end(picture_extensions), extension) !=
           std::end(picture_extensions);
}

// Every picture file of the sample disc, unpacked where the disc has it packed, then packed
// again on its own: the streams the program meets, one file each.
stream_set make_picture_set() {
    stream_set set;
    const char* override_dir = std::getenv(sample_disc_variable);
    const fs::path disc = override_dir != nullptr ? override_dir : QUILLMOOR_BENCH_SAMPLE_DISC;
    std::error_code error;
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(disc, error)) {
        if (entry.is_regular_file() && is_picture_file(entry.path())) {
            paths.push_back(entry.path());
        }
    }
    if (error || paths.empty()) {
        set.error = "no picture files in " + disc.string();
        return set;
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        std::vector<std::uint8_t> bytes = read_file(path);
        if (is_cnx(bytes.data(), static_cast<std::uint32_t>(bytes.size()))) {
            std::vector<std::uint8_t> unpacked;
            sample::cnx_stats stats;
            if (sample::cnx_unpack(bytes, unpacked, stats) != sample::cnx_status::ok) {
                set.error = "cannot unpack " + path.string();
                return set;
            }
            bytes = std::move(unpacked);
        }
        add_stream(set, std::move(bytes));
        if (!set.error.empty()) {
            return set;
        }
    }
    return set;
}

stream_set make_set(std::vector<std::uint8_t> data) {
    stream_set set;
    add_stream(set, std::move(data));
    return set;
}

// Sets are made on first use: packing the picture files takes a few seconds.
const stream_set& picture_set() {
    static const stream_set set = make_picture_set();
    return set;
}

// No matches: literal runs throughout.
const stream_set& random_set() {
    static const stream_set set = make_set(random_bytes(synthetic_size, random_seed));
    return set;
}

// Back-references of distance 1, each longer than its distance.
const stream_set& one_byte_set() {
    static const stream_set set = make_set(std::vector<std::uint8_t>(synthetic_size, run_byte));
    return set;
}

// Back-references of distance 2.
const stream_set& two_byte_set() {
    static const stream_set set = [] {
        std::vector<std::uint8_t> data(synthetic_size);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = pair_bytes[i % 2];
        }
        return make_set(std::move(data));
    }();
    return set;
}

void run_decoder(benchmark::State& state, const stream_set& (*set_of)(), decoder decode) {
    const stream_set& set = set_of();
    if (!set.error.empty()) {
        state.SkipWithError(set.error.c_str());
        return;
    }
    std::vector<std::uint8_t> out(set.largest);
    // A decoder that gets a stream wrong is not worth timing.
    for (const packed_stream& s : set.streams) {
        if (!decode(s, out.data()) || !std::equal(s.data.begin(), s.data.end(), out.begin())) {
            state.SkipWithError("the output differs from the packed data");
            return;
        }
    }
    for (auto _ : state) {
        for (const packed_stream& s : set.streams) {
            decode(s, out.data());
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * set.output_bytes));
}

struct stream_kind {
    const char* name;
    const stream_set& (*set_of)();
};

constexpr stream_kind stream_kinds[] = {
    {"picture", picture_set},
    {"random", random_set},
    {"repeat_distance1", one_byte_set},
    {"repeat_distance2", two_byte_set},
};

struct decoder_kind {
    const char* name;
    decoder decode;
};

constexpr decoder_kind decoder_kinds[] = {
    {"dec_cnxlz", decode_quillmoor},
    {"byte_at_a_time", decode_reference},
    {"memcpy", copy_output},
};

bool register_cnx_benchmarks() {
    for (const stream_kind& kind : stream_kinds) {
        for (const decoder_kind& d : decoder_kinds) {
            const std::string name = std::string("cnx/") + kind.name + "/" + d.name;
            benchmark::RegisterBenchmark(name.c_str(), run_decoder, kind.set_of, d.decode);
        }
    }
    return true;
}

[[maybe_unused]] const bool cnx_registered = register_cnx_benchmarks();

} // namespace
