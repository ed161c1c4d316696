// Writes a sample disc and, beside it, every file a correct extractor must produce from it.
// Usage: make_sample_disc OUTDIR  ->  OUTDIR/disc/ and OUTDIR/expected/: the pictures, the
// console transcript and a manifest naming the disc files each picture is made from.
//
// Nothing here is shared with the extractor: the disc and the expected results come from this
// program alone, so a fault in the extractor cannot hide in both.

#include "sample_disc.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace sample;

// ---------------------------------------------------------------------------------------------
// Console output expected when the extractor is run with the disc as drive q and input "q\n".

constexpr std::string_view banner = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
// ゲームディスクが入っているドライブ名を入力して下さい。 (Shift-JIS)
constexpr std::string_view drive_prompt =
    "\x83\x51\x81\x5b\x83\x80\x83\x66\x83\x42\x83\x58\x83\x4e\x82\xaa\x93\xfc\x82\xc1\x82\xc4"
    "\x82\xa2\x82\xe9\x83\x68\x83\x89\x83\x43\x83\x75\x96\xbc\x82\xf0\x93\xfc\x97\xcd\x82\xb5"
    "\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";
constexpr std::string_view drive_question = "drive letter >";
constexpr std::string_view transcript_name = "transcript.txt";
constexpr std::string_view manifest_name = "manifest.txt";

// ---------------------------------------------------------------------------------------------
// Face portraits.

constexpr int portrait_width = 80;
constexpr int portrait_height = 80;
constexpr std::size_t portrait_words = std::size_t{portrait_width} * portrait_height;
constexpr std::size_t portrait_bytes = portrait_words * 2;

// What a word with the top bit clear becomes under transparency mode 255.
constexpr bgr_colour transparent_marker{1, 1, 1};

constexpr std::uint16_t word_black = top_bit;
constexpr std::uint16_t word_white = 0xFFFF;

struct portrait_sample {
    const char* disc_name;
    corner_gradient gradient;
    disc_storage storage;
    std::size_t extra_bytes; // appended to a raw file; only the first 12800 bytes count
};

// Between them the packed files use every command the decoder knows; check_cnx_coverage()
// fails the run if a change loses one.
constexpr std::array portraits{
    portrait_sample{
        "F001.SPR", {{31, 12, 6}, {31, 28, 6}, {28, 10, 20}, {31, 24, 20}}, raw_storage, 0},
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
    portrait_sample{
        "F004.SPR", {{14, 31, 31}, {28, 31, 28}, {10, 24, 24}, {30, 30, 30}}, raw_storage, 200},
    // Lower case, and last in byte order and without regard to case alike, so that every
    // platform's search lists it in the same place.
    portrait_sample{
        "f020.spr", {{31, 18, 28}, {31, 20, 8}, {26, 12, 31}, {31, 31, 14}}, raw_storage, 0},
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

// Letters keep the background's colour bits and lose only the top bit, so an extractor
// that ignores it draws no letters at all.
constexpr ink_style transparent_ink{colour_bits, 0};

// ---------------------------------------------------------------------------------------------

struct done_line {
    std::string disc_name;
    std::string output_name;
};

// Lines come in the byte order of the disc file names, as the extractor lists them.
void append_done_lines(sample_run& run, std::vector<done_line> lines) {
    std::sort(lines.begin(), lines.end(),
              [](const done_line& a, const done_line& b) { return a.disc_name < b.disc_name; });
    for (const done_line& line : lines) {
        append_done_line(run, line.output_name, portraits_group, {&line.disc_name, 1});
    }
}

// ---------------------------------------------------------------------------------------------
// Portraits.

// The name over the gradient in transparent letters, a checkered border alternating
// transparent and white, colour swatches (red, green, blue, black, white) and a ramp of all
// 32 levels of each channel.
bool draw_portrait(const portrait_sample& sample, word_canvas canvas) {
    for (int y = 0; y < portrait_height; ++y) {
        for (int x = 0; x < portrait_width; ++x) {
            const rgb5 colour = gradient_at(sample.gradient, x, y, portrait_width, portrait_height);
            word_at(canvas, x, y) = top_bit | colour_word(colour);
        }
    }
    for (int y = 0; y < portrait_height; ++y) {
        for (int x = 0; x < portrait_width; ++x) {
            const bool edge =
                x == 0 || y == 0 || x == portrait_width - 1 || y == portrait_height - 1;
            if (!edge) {
                continue;
            }
            std::uint16_t& word = word_at(canvas, x, y);
            word = (x + y) % 2 == 0 ? static_cast<std::uint16_t>(word & colour_bits) : word_white;
        }
    }

    const int swatches_width =
        static_cast<int>(swatches.size()) * (swatch_width + swatch_gap) - swatch_gap;
    int left = (portrait_width - swatches_width) / 2;
    for (const std::uint16_t word : swatches) {
        fill_box(canvas, left, swatch_top, swatch_width, swatch_height, word);
        left += swatch_width + swatch_gap;
    }
    draw_channel_ramps(canvas, ramp_top, ramp_step_width, ramp_height, top_bit);
    return draw_centred_text(canvas, name_top, name_scale, name_stem(sample.disc_name),
                             transparent_ink);
}

bgr_colour mode_255_colour(std::uint16_t word) {
    return (word & top_bit) == 0 ? transparent_marker : plain_colour(word);
}

bool write_portrait(sample_run& run, const portrait_sample& sample) {
    std::vector<std::uint16_t> words(portrait_words);
    if (!draw_portrait(sample, {words, portrait_width, portrait_height})) {
        return false;
    }

    std::vector<std::uint8_t> disc_bytes;
    disc_bytes.reserve(portrait_bytes + sample.extra_bytes);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(portrait_words * 3);
    for (const std::uint16_t word : words) {
        disc_bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        disc_bytes.push_back(static_cast<std::uint8_t>(word));
        push_pixel(pixels, mode_255_colour(word));
    }
    for (std::size_t n = 0; n < sample.extra_bytes; ++n) {
        disc_bytes.push_back(extra_filler[n % std::size(extra_filler)]);
    }

    if (!write_disc_file(run, sample.disc_name, disc_bytes, sample.storage, portrait_bytes)) {
        return false;
    }
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
    sample_run run{out_dir / "disc", out_dir / "expected", {}, {}, {}, {}};
    if (!make_directory(run.disc_dir) || !make_directory(run.expected_dir)) {
        return 1;
    }

    run.transcript += banner;
    run.transcript += '\n';
    run.transcript += drive_prompt;
    run.transcript += '\n';
    run.transcript += drive_question;
    run.transcript += '\n';

    std::vector<std::uint8_t> title_seq;
    if (!write_portraits(run) || !write_events(run) || !write_endings(run) ||
        !write_title_group(run, title_seq) || !write_cell_maps(run, title_seq) ||
        !check_cnx_coverage(run.cnx_totals)) {
        return 1;
    }

    for (const auto& [name, contents] :
         {std::pair{transcript_name, &run.transcript}, std::pair{manifest_name, &run.manifest}}) {
        const auto* text = reinterpret_cast<const std::uint8_t*>(contents->data());
        if (!write_file(run.expected_dir / name, {text, contents->size()})) {
            return 1;
        }
    }
    return 0;
}
