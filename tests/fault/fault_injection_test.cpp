// The program on the sample disc with one file damaged at a time: every disc file missing,
// cut to half its length and, if packed, with a corrupt stream. Each run must end on its
// own with the expected status and console lines, and every picture the damaged
// file does not feed must come out exactly as in the complete run.
#include "fault_model.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#if !defined(QUILLMOOR_EXE) || !defined(MAKE_SAMPLE_DISC) || !defined(FAULT_SAMPLE_DIR) ||         \
    !defined(FAULT_SCRATCH_DIR)
#error "QUILLMOOR_EXE, MAKE_SAMPLE_DISC, FAULT_SAMPLE_DIR and FAULT_SCRATCH_DIR must be defined"
#endif

namespace {

namespace fs = std::filesystem;

// A complete run takes well under a second; sanitizer builds get plenty of room.
constexpr int run_timeout_seconds = 60;
constexpr int kill_grace_seconds = 5;
constexpr int timed_out_status = 124;   // what timeout(1) exits with
constexpr int signal_status_base = 128; // a shell's status for a program a signal ended
constexpr int last_signal = 64;
constexpr std::size_t shown_stderr = 2000;

constexpr char drive_folder[] = "q:";
constexpr char typed_name[] = "typed.txt";
constexpr char console_name[] = "console.txt";
constexpr char stderr_name[] = "stderr.txt";
constexpr char run_folder[] = "run";

constexpr std::size_t bmp_pixel_offset = 10;
constexpr std::size_t bmp_width_offset = 18;
constexpr std::size_t bmp_height_offset = 22;
constexpr std::size_t bmp_bits_offset = 28;
constexpr std::size_t bmp_headers_size = 54;

// The title group's cell-map files, run as a kind of their own.
constexpr char cell_maps_kind[] = "cell maps";

constexpr damage damages[] = {damage::missing, damage::half, damage::corrupt};

// Read in one go: a run leaves megabytes of pictures to compare.
bytes contents_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    bytes b(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
}

std::string text_of(const fs::path& path) {
    const bytes b = contents_of(path);
    return std::string(b.begin(), b.end());
}

std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Control and Shift-JIS bytes as escapes, so a failure message stays readable.
std::string printable(const std::string& text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            out += c;
        } else {
            out += std::string("\\x") + hex[u >> 4] + hex[u & 0xF];
        }
    }
    return out;
}

struct program_run {
    int status;
    std::string console;
    std::string errors;
};

// The program in dir/run, where the disc is the folder q:, with "q" typed.
program_run run_program(const fs::path& dir) {
    const std::string command =
        "cd " + shell_quoted((dir / run_folder).string()) + " && timeout -k " +
        std::to_string(kill_grace_seconds) + " " + std::to_string(run_timeout_seconds) + " " +
        shell_quoted(QUILLMOOR_EXE) + " < " + shell_quoted((dir / typed_name).string()) + " > " +
        shell_quoted((dir / console_name).string()) + " 2> " +
        shell_quoted((dir / stderr_name).string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text_of(dir / console_name),
            text_of(dir / stderr_name)};
}

struct sample {
    fs::path work; // this process's runs
    fs::path disc;
    fs::path expected;
    std::vector<std::string> disc_files;
    reference ref;
    std::string trouble; // why no damaged run can be judged against it
};

fs::path made_work_dir; // removed when the tests are done

// dir/run with the disc as a folder of links to the sample disc's files.
void lay_out_disc(const sample& s, const fs::path& dir) {
    const fs::path drive = dir / run_folder / drive_folder;
    fs::create_directories(drive);
    for (const std::string& name : s.disc_files) {
        fs::create_symlink(s.disc / name, drive / name);
    }
    write_file(dir / typed_name, {'q', '\n'});
}

// Takes the file's link away and, if contents are given, puts them in its place.
void damage_disc(const fs::path& dir, const std::string& file,
                 const std::optional<bytes>& contents) {
    const fs::path path = dir / run_folder / drive_folder / file;
    fs::remove(path);
    if (contents) {
        write_file(path, *contents);
    }
}

// The link back and the pictures gone, ready for the next case.
void restore_disc(const sample& s, const fs::path& dir, const std::string& file) {
    const fs::path path = dir / run_folder / drive_folder / file;
    fs::remove(path);
    fs::create_symlink(s.disc / file, path);
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / run_folder)) {
        if (entry.path().filename() != drive_folder) {
            fs::remove_all(entry.path());
        }
    }
}

// Under ctest a fixture makes the sample disc before any test; on its own the program makes
// it when it is missing or older than the maker.
bool sample_is_current(const fs::path& out) {
    const fs::path manifest = out / "expected" / "manifest.txt";
    return fs::exists(manifest) &&
           fs::last_write_time(manifest) >= fs::last_write_time(MAKE_SAMPLE_DISC);
}

sample make_sample() {
    sample s;
    // Each process runs in a folder of its own: tests run side by side.
    s.work =
        fs::path(FAULT_SCRATCH_DIR) / ("quillmoor-fault-" + std::to_string(std::random_device{}()));
    fs::remove_all(s.work);
    fs::create_directories(s.work);
    made_work_dir = s.work;
    const fs::path out = FAULT_SAMPLE_DIR;
    if (!sample_is_current(out)) {
        fs::remove_all(out);
        const std::string make = shell_quoted(MAKE_SAMPLE_DISC) + " " + shell_quoted(out.string());
        if (std::system((make + " > /dev/null").c_str()) != 0) {
            s.trouble = "the sample disc maker failed";
            return s;
        }
    }
    s.disc = out / "disc";
    s.expected = out / "expected";
    for (const fs::directory_entry& entry : fs::directory_iterator(s.disc)) {
        s.disc_files.push_back(entry.path().filename().string());
    }
    std::sort(s.disc_files.begin(), s.disc_files.end());
    s.ref.pictures = parse_manifest(text_of(s.expected / "manifest.txt"));
    const std::string transcript = text_of(s.expected / "transcript.txt");
    s.ref.console = split_lines(transcript);
    for (const sample_picture& p : s.ref.pictures) {
        s.ref.bmps[p.bmp] = contents_of(s.expected / p.bmp);
    }
    if (s.ref.pictures.empty()) {
        s.trouble = "the sample disc's manifest is empty or malformed";
        return s;
    }

    // Damaged runs are judged against the expected files: the complete run must match them.
    const fs::path dir = s.work / "complete";
    lay_out_disc(s, dir);
    const program_run complete = run_program(dir);
    if (complete.status != 0 || complete.console != transcript) {
        s.trouble = "the complete run does not match the expected transcript (status " +
                    std::to_string(complete.status) + ")";
        return s;
    }
    for (const sample_picture& p : s.ref.pictures) {
        if (contents_of(dir / run_folder / p.bmp) != s.ref.bmps[p.bmp]) {
            s.trouble = "the complete run's " + p.bmp + " differs from the expected one";
            return s;
        }
    }
    fs::remove_all(dir);
    return s;
}

const sample& the_sample() {
    static const sample s = make_sample();
    return s;
}

class remove_work : public testing::Environment {
  public:
    void TearDown() override {
        if (!made_work_dir.empty()) {
            std::error_code ignored;
            fs::remove_all(made_work_dir, ignored);
        }
    }
};

[[maybe_unused]] testing::Environment* const cleanup =
    testing::AddGlobalTestEnvironment(new remove_work);

// The group of the first picture made from the file; empty for a file no picture reads.
std::string home_group(const reference& ref, const std::string& file) {
    for (const sample_picture& p : ref.pictures) {
        if (std::find(p.sources.begin(), p.sources.end(), file) != p.sources.end()) {
            return p.group;
        }
    }
    return {};
}

// What a test damages: the files of the group of their first reader, with the title group's
// cell-map files apart, as they are its larger share.
std::string kind_of(const reference& ref, const std::string& file) {
    const std::string group = home_group(ref, file);
    const std::string extension = fs::path(file).extension().string();
    if (group == title_group && (extension == ".MAP" || extension == ".CEL")) {
        return cell_maps_kind;
    }
    return group;
}

std::string joined(const std::set<int>& statuses) {
    std::string text;
    for (const int status : statuses) {
        text += (text.empty() ? "" : " or ") + std::to_string(status);
    }
    return text;
}

std::string console_difference(const std::vector<std::string>& expected,
                               const std::vector<std::string>& actual) {
    std::size_t n = 0;
    while (n < expected.size() && n < actual.size() && expected[n] == actual[n]) {
        ++n;
    }
    const auto line = [](const std::vector<std::string>& lines, std::size_t at) {
        return at < lines.size() ? "\"" + printable(lines[at]) + "\"" : std::string("(end)");
    };
    return "console differs at line " + std::to_string(n + 1) + ": expected " + line(expected, n) +
           ", got " + line(actual, n) + " (" + std::to_string(expected.size()) +
           " lines expected, " + std::to_string(actual.size()) + " got)";
}

void check_status(const expectation& e, const program_run& run, std::vector<std::string>& out) {
    if (e.statuses.count(run.status) != 0) {
        return;
    }
    std::string what =
        "exit status " + std::to_string(run.status) + ", expected " + joined(e.statuses);
    if (run.status == timed_out_status) {
        what = "no end within " + std::to_string(run_timeout_seconds) + " s";
    } else if (run.status > signal_status_base && run.status <= signal_status_base + last_signal) {
        what += " (signal " + std::to_string(run.status - signal_status_base) + ")";
    }
    if (!run.errors.empty()) {
        what += "; stderr: " + printable(run.errors.substr(0, shown_stderr));
    }
    out.push_back(what);
}

void check_console(const expectation& e, const std::string& file,
                   const std::vector<std::string>& lines, std::vector<std::string>& out) {
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        const bool tolerated =
            !e.exact && (e.affected.count(done_picture(line)) != 0 || is_known_error(line, file));
        if (!tolerated) {
            kept.push_back(line);
        }
    }
    if (kept != e.console) {
        out.push_back(console_difference(e.console, kept));
    }
}

// The cut sprite holds the complete picture's top rows, under the same header and palette.
void check_cut(const sample& s, const sprite_cut& cut, const fs::path& run_dir,
               std::vector<std::string>& out) {
    const bytes& whole = s.ref.bmps.at(cut.bmp);
    const bytes part = contents_of(run_dir / cut.bmp);
    if (part.size() < bmp_headers_size) {
        out.push_back(cut.bmp + " is not written in full");
        return;
    }
    const std::uint32_t pixels = le32_at(whole, bmp_pixel_offset);
    const std::uint32_t width = le32_at(whole, bmp_width_offset);
    const std::uint32_t height = le32_at(whole, bmp_height_offset);
    const std::uint32_t stride = (width * le16_at(whole, bmp_bits_offset) + 31) / 32 * 4;
    const bool same_layout = le32_at(part, bmp_pixel_offset) == pixels &&
                             le32_at(part, bmp_width_offset) == width &&
                             le32_at(part, bmp_height_offset) == cut.rows &&
                             part.size() == pixels + std::size_t{stride} * cut.rows &&
                             std::equal(whole.begin() + bmp_headers_size, whole.begin() + pixels,
                                        part.begin() + bmp_headers_size);
    if (!same_layout) {
        out.push_back(cut.bmp + " is not the complete picture's header and palette with " +
                      std::to_string(cut.rows) + " rows");
        return;
    }
    // Bottom row first in both files.
    for (std::uint32_t row = 0; row < cut.rows; ++row) {
        const auto from = whole.begin() + pixels + std::size_t{height - 1 - row} * stride;
        const auto to = part.begin() + pixels + std::size_t{cut.rows - 1 - row} * stride;
        if (!std::equal(from, from + stride, to)) {
            out.push_back(cut.bmp + " row " + std::to_string(row) +
                          " differs from the complete picture's");
            return;
        }
    }
}

// One line per kind of trouble, naming the pictures: a run that stops early misses dozens.
void report_pictures(const std::string& what, const std::vector<std::string>& names,
                     std::vector<std::string>& out) {
    if (names.empty()) {
        return;
    }
    std::string line = what + ":";
    for (const std::string& name : names) {
        line += " " + name;
    }
    out.push_back(line);
}

void check_pictures(const sample& s, const expectation& e, const std::vector<std::string>& lines,
                    const fs::path& run_dir, std::vector<std::string>& out) {
    std::vector<std::string> unannounced;
    std::vector<std::string> missing;
    std::vector<std::string> changed;
    std::vector<std::string> stray;
    for (const sample_picture& p : s.ref.pictures) {
        const fs::path path = run_dir / p.bmp;
        if (e.affected.count(p.bmp) != 0) {
            if (fs::exists(path) &&
                std::find(lines.begin(), lines.end(), done_line(p.bmp)) == lines.end()) {
                unannounced.push_back(p.bmp);
            }
        } else if (!fs::exists(path)) {
            missing.push_back(p.bmp);
        } else if (contents_of(path) != s.ref.bmps.at(p.bmp)) {
            changed.push_back(p.bmp);
        }
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(run_dir)) {
        const std::string name = entry.path().filename().string();
        if (name != drive_folder && s.ref.bmps.count(name) == 0) {
            stray.push_back(name);
        }
    }
    report_pictures("written but not announced", unannounced, out);
    report_pictures("missing, though they do not depend on the file", missing, out);
    report_pictures("different from the complete run's, though they do not depend on the file",
                    changed, out);
    report_pictures("stray files", stray, out);
    if (e.cut) {
        check_cut(s, *e.cut, run_dir, out);
    }
}

std::string reproduction(const std::string& file, damage kind, std::size_t size) {
    std::string change;
    switch (kind) {
    case damage::missing:
        change = "rm OUT/disc/" + file;
        break;
    case damage::half:
        change = "truncate -s " + std::to_string(size / 2) + " OUT/disc/" + file;
        break;
    case damage::corrupt:
        change = "printf '\\002\\000\\000' | dd of=OUT/disc/" + file + " bs=1 seek=16 conv=notrunc";
        break;
    }
    return std::string("reproduce: ") + MAKE_SAMPLE_DISC + " OUT && " + change +
           " && mkdir RUN && cd RUN && ln -s OUT/disc q: && echo q | " + QUILLMOOR_EXE;
}

// Every damage to every disc file of the kind, one after the other on one folder of links.
void run_cases(const std::string& kind) {
    const sample& s = the_sample();
    ASSERT_TRUE(s.trouble.empty()) << s.trouble;
    const fs::path dir = s.work / testing::UnitTest::GetInstance()->current_test_info()->name();
    lay_out_disc(s, dir);
    const fs::path run_dir = dir / run_folder;
    int count = 0;
    for (const std::string& file : s.disc_files) {
        if (kind_of(s.ref, file) != kind) {
            continue;
        }
        const bytes original = contents_of(s.disc / file);
        for (const damage how : damages) {
            if (how == damage::corrupt && !is_cnx(original)) {
                continue;
            }
            std::optional<bytes> contents;
            if (how != damage::missing) {
                contents = damaged(original, how);
            }
            damage_disc(dir, file, contents);
            const expectation e = expect(s.ref, file, how, original);
            const program_run run = run_program(dir);
            const std::vector<std::string> lines = split_lines(run.console);
            std::vector<std::string> problems;
            check_status(e, run, problems);
            check_console(e, file, lines, problems);
            check_pictures(s, e, lines, run_dir, problems);
            restore_disc(s, dir, file);
            ++count;
            if (problems.empty()) {
                continue;
            }
            std::ostringstream message;
            message << file << " " << damage_name(how) << ":\n";
            for (const std::string& problem : problems) {
                message << "  " << problem << "\n";
            }
            message << "  " << reproduction(file, how, original.size());
            ADD_FAILURE() << message.str();
        }
    }
    EXPECT_GT(count, 0) << "no disc file is of the kind " << kind;
    testing::Test::RecordProperty("cases", count);
}

TEST(FaultManifest, AccountsForEveryDiscFileAndPicture) {
    const sample& s = the_sample();
    ASSERT_TRUE(s.trouble.empty()) << s.trouble;
    const std::set<std::string> groups{portraits_group, events_group, endings_group, title_group};
    std::vector<std::string> announced;
    for (const std::string& line : s.ref.console) {
        if (!done_picture(line).empty()) {
            announced.push_back(done_picture(line));
        }
    }
    std::vector<std::string> listed;
    std::set<std::string> sources;
    for (const sample_picture& p : s.ref.pictures) {
        listed.push_back(p.bmp);
        EXPECT_EQ(groups.count(p.group), 1u) << p.bmp << " is in an unknown group " << p.group;
        sources.insert(p.sources.begin(), p.sources.end());
    }
    // In the order of the done lines, so that the suite knows where a failure shows.
    EXPECT_EQ(listed, announced);
    std::vector<std::string> expected_bmps;
    for (const fs::directory_entry& entry : fs::directory_iterator(s.expected)) {
        if (entry.path().extension() == ".BMP") {
            expected_bmps.push_back(entry.path().filename().string());
        }
    }
    std::sort(expected_bmps.begin(), expected_bmps.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected_bmps);
    const std::set<std::string> on_disc(s.disc_files.begin(), s.disc_files.end());
    EXPECT_EQ(sources, on_disc) << "every disc file must feed a picture, and only disc files";
}

// Biggest first, so that ctest -j starts them first.
TEST(FaultInjection, CellMaps) {
    run_cases(cell_maps_kind);
}

TEST(FaultInjection, Endings) {
    run_cases(endings_group);
}

TEST(FaultInjection, Events) {
    run_cases(events_group);
}

// TITLE.SEQ, the title pictures and the sprite sheets.
TEST(FaultInjection, TitleSprites) {
    run_cases(title_group);
}

TEST(FaultInjection, Portraits) {
    run_cases(portraits_group);
}

// Hostile drives: images and special files made to crash the program, hang it or make it
// write outside its folder. Each run must end on its own, as a damaged disc's does.

// The lines of a drive with nothing readable on it: no portrait, and each later group
// missing its first file. Only the image cases use it, built where xorriso is.
[[maybe_unused]] expectation empty_drive(const reference& ref) {
    expectation e{true, {}, {255}, {}, std::nullopt};
    e.console.assign(ref.console.begin(), std::find_if(ref.console.begin(), ref.console.end(),
                                                       [](const std::string& line) {
                                                           return line.starts_with("done");
                                                       }));
    for (const char* line : {"MP1001.SEQ", "ED_01.MAP", "TITLE.SEQ"}) {
        e.console.push_back(report_of(err_open, (std::string("q:\\") + line).c_str()));
    }
    e.console.insert(e.console.end() - 3, report_of(err_no_file, nullptr));
    for (const sample_picture& p : ref.pictures) {
        e.affected.insert(p.bmp);
    }
    return e;
}

// Runs the program in dir/run, whose drive q is already laid out, and judges the run;
// after_run sees the run folder before the pictures in it are judged.
void judge_run(
    const sample& s, const fs::path& dir, const expectation& e, const std::string& what,
    const std::function<void()>& after_run = [] {}) {
    write_file(dir / typed_name, {'q', '\n'});
    const program_run run = run_program(dir);
    after_run();
    const std::vector<std::string> lines = split_lines(run.console);
    std::vector<std::string> problems;
    check_status(e, run, problems);
    check_console(e, "", lines, problems);
    check_pictures(s, e, lines, dir / run_folder, problems);
    for (const std::string& problem : problems) {
        ADD_FAILURE() << what << ": " << problem;
    }
}

// dir/run, empty but for drive q standing for target (an image, where xorriso is).
[[maybe_unused]] fs::path drive_is(const fs::path& dir, const fs::path& target) {
    fs::remove_all(dir);
    fs::create_directories(dir / run_folder);
    fs::create_symlink(target, dir / run_folder / drive_folder);
    return dir;
}

void make_fifo(const fs::path& path) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
}

TEST(HostileInput, PipesInPlaceOfFilesNeverBlockTheRun) {
    const sample& s = the_sample();
    ASSERT_TRUE(s.trouble.empty()) << s.trouble;
    const fs::path dir = s.work / "pipes";
    // A disc file that is a pipe is no file: as if it were missing.
    lay_out_disc(s, dir);
    damage_disc(dir, "TITLE.SEQ", std::nullopt);
    make_fifo(dir / run_folder / drive_folder / "TITLE.SEQ");
    judge_run(s, dir, expect(s.ref, "TITLE.SEQ", damage::missing, {}), "TITLE.SEQ a pipe");
    restore_disc(s, dir, "TITLE.SEQ");

    // An output name taken by a pipe is a write error; the pipe stays as it was.
    const fs::path taken = dir / run_folder / "F001.BMP";
    make_fifo(taken);
    expectation e{true, s.ref.console, {0}, {"F001.BMP"}, std::nullopt};
    std::replace(e.console.begin(), e.console.end(), done_line("F001.BMP"),
                 report_of(err_write, "bmp_out"));
    judge_run(s, dir, e, "F001.BMP a pipe", [&] {
        EXPECT_TRUE(fs::is_fifo(taken));
        fs::remove(taken);
    });

#ifdef RAW_IMAGER_EXE
    // A CUE sheet whose track is a pipe is no image.
    const fs::path track = dir / "track.bin";
    make_fifo(track);
    const std::string sheet = "FILE \"track.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
                              "    INDEX 01 00:00:00\n";
    write_file(dir / "disc.cue", bytes(sheet.begin(), sheet.end()));
    judge_run(s, drive_is(dir, dir / "disc.cue"), empty_drive(s.ref), "track a pipe");
#endif
}

#ifdef RAW_IMAGER_EXE
// The sample disc as an image of 2048-byte sectors, with two portraits more whose names the
// test changes, and as a raw image with its CUE sheet.
struct images {
    fs::path iso;
    fs::path bin;
    fs::path cue;
};

const images& sample_images() {
    static const images made = [] {
        const sample& s = the_sample();
        const fs::path dir = s.work / "images";
        fs::create_directories(dir);
        images m{dir / "disc.iso", dir / "disc.bin", dir / "disc.cue"};
        const std::string portrait = shell_quoted((s.disc / "F001.SPR").string());
        const std::string make =
            shell_quoted(XORRISO_EXE) + " -as mkisofs -quiet -allow-lowercase -graft-points -o " +
            shell_quoted(m.iso.string()) + " /=" + shell_quoted(s.disc.string()) +
            " /F0123456.SPR=" + portrait + " /F0123457.SPR=" + portrait + " >/dev/null 2>&1 && " +
            shell_quoted(RAW_IMAGER_EXE) + " " + shell_quoted(m.iso.string()) + " " +
            shell_quoted(m.bin.string()) + " " + shell_quoted(m.cue.string()) + " 1";
        if (std::system(make.c_str()) != 0) {
            return images{};
        }
        return m;
    }();
    return made;
}

// The image with `now` in place of the first run of bytes equal to `was`, as long.
bool patch(bytes& image, const std::string& was, const std::string& now) {
    const auto found = std::search(image.begin(), image.end(), was.begin(), was.end());
    if (found == image.end() || was.size() != now.size()) {
        return false;
    }
    std::copy(now.begin(), now.end(), found);
    return true;
}

TEST(HostileInput, ImagesWhoseRootClaimsTooMuchAreEmptyDrives) {
    const sample& s = the_sample();
    ASSERT_TRUE(s.trouble.empty()) << s.trouble;
    const images& m = sample_images();
    ASSERT_FALSE(m.bin.empty()) << "the sample images could not be made";
    const bytes raw = contents_of(m.bin);
    // The root record's size, little-endian then big-endian, in the descriptor's sector.
    constexpr std::size_t root_size_at = 16 * 2352 + 16 + 156 + 10;
    for (const std::uint32_t size : {0xFFFFFFFFu, 0xFFFFF801u, 0xFFFFF000u}) {
        bytes image = raw;
        for (int i = 0; i < 4; ++i) {
            image.at(root_size_at + i) = static_cast<std::uint8_t>(size >> (8 * i));
            image.at(root_size_at + 7 - i) = static_cast<std::uint8_t>(size >> (8 * i));
        }
        const fs::path dir = s.work / "root-size";
        write_file(s.work / "patched.bin", image);
        judge_run(s, drive_is(dir, s.work / "patched.bin"), empty_drive(s.ref),
                  "raw image, root size " + std::to_string(size));
    }
    // Not an image at all, though a search for the volume might find one anywhere.
    write_file(s.work / "letters.iso", bytes(40 * 1024, 'C'));
    judge_run(s, drive_is(s.work / "letters", s.work / "letters.iso"), empty_drive(s.ref),
              "40 KiB of C");
}

TEST(HostileInput, NamesFromTheDiscStayInsideTheOutputFolder) {
    const sample& s = the_sample();
    ASSERT_TRUE(s.trouble.empty()) << s.trouble;
    const images& m = sample_images();
    ASSERT_FALSE(m.iso.empty()) << "the sample images could not be made";
    bytes image = contents_of(m.iso);
    ASSERT_TRUE(patch(image, "F0123456.SPR;1", "F/../../.SPR;1"));
    ASSERT_TRUE(patch(image, "F0123457.SPR;1", "F\x1b[2J345.SPR;1"));
    const fs::path dir = s.work / "names";
    write_file(s.work / "names.iso", image);
    drive_is(dir, s.work / "names.iso");
    // With a folder F the first name would lead out of the output folder.
    const fs::path f = dir / run_folder / "F";
    fs::create_directory(f);
    // Both names are passed over: the run is the complete run, no more.
    judge_run(s, dir, expectation{true, s.ref.console, {0}, {}, std::nullopt},
              "names with separators and control codes", [&] {
                  EXPECT_TRUE(fs::is_empty(f));
                  fs::remove(f);
              });
    EXPECT_FALSE(fs::exists(dir / ".BMP"));
}
#endif

} // namespace
