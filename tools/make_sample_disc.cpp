// Writes a sample disc and, beside it, every file a correct extractor must produce from it.
// Usage: make_sample_disc OUTDIR  ->  OUTDIR/disc/ and OUTDIR/expected/
//
// Nothing here is shared with the extractor: the disc and the expected results come from this
// program alone, so a fault in the extractor cannot hide in both.

#include "bmp_write.hpp"
#include "cnx_pack.hpp"
#include "glyphs.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using sample::bgr_colour;
using sample::bmp_picture;
using sample::cnx_options;
using sample::cnx_stats;

// ---------------------------------------------------------------------------------------------
// Console output expected when the extractor is run with the disc as drive q and input "q\n".

constexpr std::string_view banner = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
// ゲームディスクが入っているドライブ名を入力して下さい。 (Shift-JIS)
constexpr std::string_view drive_prompt =
    "\x83\x51\x81\x5b\x83\x80\x83\x66\x83\x42\x83\x58\x83\x4e\x82\xaa\x93\xfc\x82\xc1\x82\xc4"
    "\x82\xa2\x82\xe9\x83\x68\x83\x89\x83\x43\x83\x75\x96\xbc\x82\xf0\x93\xfc\x97\xcd\x82\xb5"
    "\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";
constexpr std::string_view drive_question = "drive letter >";
constexpr std::string_view done_prefix = "done > ";
constexpr std::string_view transcript_name = "transcript.txt";
constexpr std::string_view bmp_extension = ".BMP";

// ---------------------------------------------------------------------------------------------
// Face portraits.

constexpr int portrait_width = 80;
constexpr int portrait_height = 80;
constexpr std::size_t portrait_words = std::size_t{portrait_width} * portrait_height;
constexpr std::size_t portrait_bytes = portrait_words * 2;

constexpr std::uint16_t top_bit = 0x8000;
constexpr std::uint16_t colour_bits = 0x7FFF;
constexpr int blue_shift = 10;
constexpr int green_shift = 5;
constexpr int red_shift = 0;
constexpr std::uint16_t channel_max = 0x1F;
constexpr int channel_scale = 8;
// What a word with the top bit clear becomes under transparency mode 255.
constexpr bgr_colour transparent_marker{1, 1, 1};

constexpr std::uint16_t word_black = top_bit;
constexpr std::uint16_t word_white = 0xFFFF;

struct rgb5 {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Background colours at the corners; each portrait gets its own so swapped files show.
struct corner_gradient {
    rgb5 top_left;
    rgb5 top_right;
    rgb5 bottom_left;
    rgb5 bottom_right;
};

enum class storage_kind { raw, cnx };

struct disc_storage {
    storage_kind kind;
    cnx_options cnx; // only for storage_kind::cnx
};

struct portrait_sample {
    const char* disc_name;
    corner_gradient gradient;
    disc_storage storage;
    std::size_t extra_bytes; // appended to a raw file; only the first 12800 bytes count
};

constexpr cnx_options unpacked{};

// Between them the packed files use every command the decoder knows; check_cnx_coverage()
// fails the run if a change loses one.
constexpr std::array portraits{
    portrait_sample{"F001.SPR",
                    {{31, 12, 6}, {31, 28, 6}, {28, 10, 20}, {31, 24, 20}},
                    {storage_kind::raw, unpacked},
                    0},
    // 00 02 xx xx at the start: a 0x00 flag byte opening a skip; single literals only;
    // the terminating flag byte is the file's last byte.
    portrait_sample{"F002.SPR",
                    {{6, 31, 10}, {20, 31, 6}, {6, 22, 24}, {18, 28, 20}},
                    {storage_kind::cnx,
                     {.lead_skip = 2,
                      .empty_run = false,
                      .literal_runs = false,
                      .far_matches = false,
                      .mid_skip_after = -1,
                      .mid_skip_count = 0,
                      .trailing = 0}},
                    0},
    // 00 00 at the start, a zero-length run, literal runs, a skip inside a group and bytes
    // after the terminating flag byte.
    portrait_sample{"F003.SPR",
                    {{8, 14, 31}, {8, 28, 31}, {20, 10, 31}, {24, 24, 31}},
                    {storage_kind::cnx,
                     {.lead_skip = 0,
                      .empty_run = true,
                      .literal_runs = true,
                      .far_matches = false,
                      .mid_skip_after = 100,
                      .mid_skip_count = 9,
                      .trailing = 5}},
                    0},
    portrait_sample{"F004.SPR",
                    {{14, 31, 31}, {28, 31, 28}, {10, 24, 24}, {30, 30, 30}},
                    {storage_kind::raw, unpacked},
                    200},
    // Sorts after every upper-case name.
    portrait_sample{"f005.spr",
                    {{31, 18, 28}, {31, 20, 8}, {26, 12, 31}, {31, 31, 14}},
                    {storage_kind::raw, unpacked},
                    0},
    // Farthest matches, so back-references reach far; an empty skip inside a group.
    portrait_sample{"F010.SPR",
                    {{24, 31, 4}, {31, 31, 20}, {16, 26, 10}, {28, 20, 4}},
                    {storage_kind::cnx,
                     {.lead_skip = -1,
                      .empty_run = false,
                      .literal_runs = true,
                      .far_matches = true,
                      .mid_skip_after = 40,
                      .mid_skip_count = 0,
                      .trailing = 0}},
                    0},
};

// Filler after a raw portrait: bright red words, so reading the wrong 12800 bytes shows.
constexpr std::uint8_t extra_filler[2] = {0x80, 0x1F};

// Picture layout.
constexpr int name_scale = 3;
constexpr int name_top = 6;
constexpr int swatch_top = 34;
constexpr int swatch_height = 14;
constexpr int swatch_width = 12;
constexpr int swatch_gap = 2;
constexpr std::array<std::uint16_t, 5> swatches{
    top_bit | (channel_max << red_shift), top_bit | (channel_max << green_shift),
    top_bit | (channel_max << blue_shift), word_black, word_white};
constexpr int ramp_top = 52;
constexpr int ramp_height = 6;
constexpr int ramp_step_width = 2;
constexpr std::array<int, 3> ramp_shifts{red_shift, green_shift, blue_shift};

// Letters keep the background's colour bits and lose only the top bit, so an extractor
// that ignores it draws no letters at all.
constexpr sample::ink_style transparent_ink{colour_bits, 0};

// ---------------------------------------------------------------------------------------------

struct sample_run {
    fs::path disc_dir;
    fs::path expected_dir;
    std::string transcript;
    cnx_stats cnx_totals;
};

struct done_line {
    std::string disc_name;
    std::string output_name;
};

bool fail(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "make_sample_disc: %.*s: %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(detail.size()), detail.data());
    return false;
}

bool write_file(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        return fail(path.string(), "cannot write");
    }
    return true;
}

std::string_view name_stem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string upper_extension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string extension{dot == std::string_view::npos ? std::string_view{}
                                                        : name.substr(dot + 1)};
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

std::string output_name(std::string_view disc_name) {
    return std::string{name_stem(disc_name)} + std::string{bmp_extension};
}

// Writes one file to the disc, as it is or packed; packed files are unpacked again and
// compared before they are written.
bool write_disc_file(sample_run& run, std::string_view name, std::span<const std::uint8_t> data,
                     const disc_storage& storage) {
    const fs::path path = run.disc_dir / name;
    if (storage.kind == storage_kind::raw) {
        return write_file(path, data);
    }
    std::vector<std::uint8_t> file;
    sample::cnx_status status = sample::cnx_pack(data, upper_extension(name), storage.cnx, file);
    if (status != sample::cnx_status::ok) {
        return fail(name, sample::cnx_status_text(status));
    }
    cnx_stats stats{};
    status = sample::cnx_check(file, data, stats);
    if (status != sample::cnx_status::ok) {
        return fail(name, std::string{"packer self-check: "} + sample::cnx_status_text(status));
    }
    sample::add_cnx_stats(run.cnx_totals, stats);
    std::printf("%.*s: CNX %zu bytes; skips %zu empty %zu filled (%zu after a 0x00 flag), "
                "%zu literals, %zu runs (%zu empty), %zu back-refs (%zu overlapping, "
                "distance %zu..%zu, length %zu..%zu)%s\n",
                static_cast<int>(name.size()), name.data(), file.size(), stats.empty_skips,
                stats.filled_skips, stats.zero_flag_skips, stats.literals, stats.literal_runs,
                stats.empty_runs, stats.back_refs, stats.overlapping_back_refs, stats.min_distance,
                stats.max_distance, stats.min_length, stats.max_length,
                stats.files_with_trailing != 0 ? ", trailing bytes" : "");
    return write_file(path, file);
}

bool write_expected_bmp(const sample_run& run, std::string_view name, const bmp_picture& picture) {
    std::vector<std::uint8_t> file(
        sample::bmp_file_size(picture.width, picture.height, picture.bits));
    const sample::bmp_status status = sample::write_bmp(picture, file);
    if (status != sample::bmp_status::ok) {
        return fail(name, sample::bmp_status_text(status));
    }
    return write_file(run.expected_dir / name, file);
}

// Lines come in the byte order of the disc file names, as the extractor lists them.
void append_done_lines(sample_run& run, std::vector<done_line> lines) {
    std::sort(lines.begin(), lines.end(),
              [](const done_line& a, const done_line& b) { return a.disc_name < b.disc_name; });
    for (const done_line& line : lines) {
        run.transcript += done_prefix;
        run.transcript += line.output_name;
        run.transcript += '\n';
    }
}

// ---------------------------------------------------------------------------------------------
// Portraits.

constexpr std::uint16_t colour_word(int red, int green, int blue) {
    return static_cast<std::uint16_t>(top_bit | (blue << blue_shift) | (green << green_shift) |
                                      (red << red_shift));
}

int blend(int top_left, int top_right, int bottom_left, int bottom_right, int x, int y) {
    constexpr int x_span = portrait_width - 1;
    constexpr int y_span = portrait_height - 1;
    const int sum = top_left * (x_span - x) * (y_span - y) + top_right * x * (y_span - y) +
                    bottom_left * (x_span - x) * y + bottom_right * x * y;
    constexpr int whole = x_span * y_span;
    return (sum + whole / 2) / whole;
}

std::uint16_t& word_at(std::span<std::uint16_t> words, int x, int y) {
    return words[static_cast<std::size_t>(y * portrait_width + x)];
}

void fill_box(std::span<std::uint16_t> words, int left, int top, int width, int height,
              std::uint16_t word) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            word_at(words, x, y) = word;
        }
    }
}

// The name over the gradient in transparent letters, a checkered border alternating
// transparent and white, colour swatches (red, green, blue, black, white) and a ramp of all
// 32 levels of each channel.
bool draw_portrait(const portrait_sample& sample, std::span<std::uint16_t> words) {
    const corner_gradient& g = sample.gradient;
    for (int y = 0; y < portrait_height; ++y) {
        for (int x = 0; x < portrait_width; ++x) {
            const int red =
                blend(g.top_left.red, g.top_right.red, g.bottom_left.red, g.bottom_right.red, x, y);
            const int green = blend(g.top_left.green, g.top_right.green, g.bottom_left.green,
                                    g.bottom_right.green, x, y);
            const int blue = blend(g.top_left.blue, g.top_right.blue, g.bottom_left.blue,
                                   g.bottom_right.blue, x, y);
            word_at(words, x, y) = colour_word(red, green, blue);
        }
    }
    for (int y = 0; y < portrait_height; ++y) {
        for (int x = 0; x < portrait_width; ++x) {
            const bool edge =
                x == 0 || y == 0 || x == portrait_width - 1 || y == portrait_height - 1;
            if (!edge) {
                continue;
            }
            std::uint16_t& word = word_at(words, x, y);
            word = (x + y) % 2 == 0 ? static_cast<std::uint16_t>(word & colour_bits) : word_white;
        }
    }

    const int swatches_width =
        static_cast<int>(swatches.size()) * (swatch_width + swatch_gap) - swatch_gap;
    int left = (portrait_width - swatches_width) / 2;
    for (const std::uint16_t word : swatches) {
        fill_box(words, left, swatch_top, swatch_width, swatch_height, word);
        left += swatch_width + swatch_gap;
    }

    const int ramp_left = (portrait_width - (channel_max + 1) * ramp_step_width) / 2;
    int top = ramp_top;
    for (const int shift : ramp_shifts) {
        for (int level = 0; level <= channel_max; ++level) {
            fill_box(words, ramp_left + level * ramp_step_width, top, ramp_step_width, ramp_height,
                     static_cast<std::uint16_t>(top_bit | (level << shift)));
        }
        top += ramp_height;
    }

    const std::string_view name = name_stem(sample.disc_name);
    const sample::word_canvas canvas{words, portrait_width, portrait_height};
    const int name_left = (portrait_width - sample::text_width(name, name_scale)) / 2;
    if (!sample::draw_text(canvas, name_left, name_top, name_scale, name, transparent_ink)) {
        return fail(sample.disc_name, "name has a character the font lacks");
    }
    return true;
}

bgr_colour mode_255_colour(std::uint16_t word) {
    if ((word & top_bit) == 0) {
        return transparent_marker;
    }
    const auto level = [word](int shift) {
        return static_cast<std::uint8_t>(((word >> shift) & channel_max) * channel_scale);
    };
    return {level(blue_shift), level(green_shift), level(red_shift)};
}

bool write_portrait(sample_run& run, const portrait_sample& sample) {
    std::vector<std::uint16_t> words(portrait_words);
    if (!draw_portrait(sample, words)) {
        return false;
    }

    std::vector<std::uint8_t> disc_bytes;
    disc_bytes.reserve(portrait_bytes + sample.extra_bytes);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(portrait_words * 3);
    for (const std::uint16_t word : words) {
        disc_bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        disc_bytes.push_back(static_cast<std::uint8_t>(word));
        const bgr_colour colour = mode_255_colour(word);
        pixels.push_back(colour.blue);
        pixels.push_back(colour.green);
        pixels.push_back(colour.red);
    }
    for (std::size_t n = 0; n < sample.extra_bytes; ++n) {
        disc_bytes.push_back(extra_filler[n % std::size(extra_filler)]);
    }

    if (!write_disc_file(run, sample.disc_name, disc_bytes, sample.storage)) {
        return false;
    }
    constexpr std::uint16_t true_colour_bits = 24;
    const bmp_picture picture{portrait_width, portrait_height, true_colour_bits, pixels, {}};
    return write_expected_bmp(run, output_name(sample.disc_name), picture);
}

bool write_portraits(sample_run& run) {
    std::vector<done_line> lines;
    for (const portrait_sample& sample : portraits) {
        if (!write_portrait(run, sample)) {
            return false;
        }
        lines.push_back({sample.disc_name, output_name(sample.disc_name)});
    }
    append_done_lines(run, std::move(lines));
    return true;
}

// ---------------------------------------------------------------------------------------------

struct coverage_item {
    const char* what;
    std::size_t cnx_stats::*count;
};

constexpr std::array cnx_coverage{
    coverage_item{"skip with count 0", &cnx_stats::empty_skips},
    coverage_item{"skip with count above 0", &cnx_stats::filled_skips},
    coverage_item{"0x00 flag byte opening a skip before the output is full",
                  &cnx_stats::zero_flag_skips},
    coverage_item{"single literal", &cnx_stats::literals},
    coverage_item{"back-reference", &cnx_stats::back_refs},
    coverage_item{"back-reference with distance below length", &cnx_stats::overlapping_back_refs},
    coverage_item{"literal run", &cnx_stats::literal_runs},
    coverage_item{"empty literal run", &cnx_stats::empty_runs},
    coverage_item{"bytes after the terminating flag byte", &cnx_stats::files_with_trailing},
};

bool check_cnx_coverage(const cnx_stats& totals) {
    bool complete = true;
    for (const coverage_item& item : cnx_coverage) {
        if (totals.*item.count == 0) {
            complete = fail("packed files never use", item.what);
        }
    }
    return complete;
}

bool make_directory(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        return fail(path.string(), error.message());
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_disc OUTDIR\n");
        return 2;
    }
    const fs::path out_dir = argv[1];
    sample_run run{out_dir / "disc", out_dir / "expected", {}, {}};
    if (!make_directory(run.disc_dir) || !make_directory(run.expected_dir)) {
        return 1;
    }

    run.transcript += banner;
    run.transcript += '\n';
    run.transcript += drive_prompt;
    run.transcript += '\n';
    run.transcript += drive_question;
    run.transcript += '\n';

    if (!write_portraits(run) || !check_cnx_coverage(run.cnx_totals)) {
        return 1;
    }

    const auto* text = reinterpret_cast<const std::uint8_t*>(run.transcript.data());
    if (!write_file(run.expected_dir / transcript_name, {text, run.transcript.size()})) {
        return 1;
    }
    return 0;
}
