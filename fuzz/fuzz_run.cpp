// The whole extraction run over a disc made from the input (format in disc_image.hpp), into
// the scratch folder, told to the console's report and to a listener that holds the run to
// its word: what it says it wrote is in the folder, whole, and nothing else is.
#include "app/console.hpp"
#include "app/report.hpp"
#include "disc_image.hpp"
#include "encode/folder_sink.hpp"
#include "encode/picture.hpp"
#include "extract/groups.hpp"
#include "extract/picture_run.hpp"
#include "memory_disc.hpp"
#include "platform/disc_names.hpp"
#include "platform/output_folder.hpp"
#include "scratch_dir.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t off_file_size = 2;
constexpr std::size_t off_width = 18;
constexpr std::size_t off_height = 22;
constexpr char temporary_mark = '.'; // how the folder's unfinished files begin

std::unique_ptr<output_folder> folder;
std::unique_ptr<folder_sink> pictures; // into folder
std::FILE* null_device = nullptr;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_run: %s: %s\n", what, detail.c_str());
    std::abort();
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

struct written_picture {
    std::uint32_t width;
    std::uint32_t height;
    std::uint64_t bytes;
};

// Checks every event as it comes, and keeps what the run says it wrote.
class run_checker final : public run_listener {
  public:
    void picture(const picture_record& record, picture_fate fate) override {
        // Neither listing nor keeping files: a picture is written, or its name was taken.
        if (fate != picture_fate::written && fate != picture_fate::duplicate) {
            fail("picture neither written nor a duplicate", record.file);
        }
        if (!is_safe_name(record.file) || record.file.front() == temporary_mark ||
            record.group == nullptr || record.sources.empty()) {
            fail("picture record", record.file);
        }
        if (fate == picture_fate::written &&
            !written
                 .emplace(record.file, written_picture{record.width, record.height, record.bytes})
                 .second) {
            fail("written twice", record.file);
        }
    }

    void failure(const failure_record& record) override {
        const error& what = record.what;
        const status code = code_of(what.kind);
        // A failure the console shows has a code to show; every failure has its group.
        if ((record.shown && code >= 0) || record.group == nullptr) {
            fail("failure record", std::to_string(code));
        }
        // Messages of these codes name a routine or a file, and the error must carry one.
        if (code <= err_context_band && what.routine == nullptr && what.path.empty()) {
            fail("failure without its context", std::to_string(code));
        }
    }

    void group_failed(const char* group, const std::vector<std::string>&) override {
        if (group == nullptr) {
            fail("group failed", "unnamed");
        }
        ++groups_failed;
    }

    std::map<std::string, written_picture> written;
    unsigned groups_failed = 0;
};

// The folder holds exactly the pictures the run says it wrote, each a whole BMP file of the
// size and sides it was told with, and none of the temporary files they were made as.
void check_folder(const run_checker& checker) {
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch_path())) {
        const std::string name = entry.path().filename().string();
        if (name.front() == temporary_mark) {
            fail("temporary file left behind", name);
        }
        const auto told = checker.written.find(name);
        if (told == checker.written.end()) {
            fail("a file no picture event names", name);
        }
        std::uint8_t header[bmp_headers_size] = {};
        std::ifstream in(entry.path(), std::ios::binary);
        in.read(reinterpret_cast<char*>(header), sizeof header);
        const written_picture& p = told->second;
        if (!in || header[0] != 'B' || header[1] != 'M' ||
            get32(header + off_file_size) != entry.file_size() || p.bytes != entry.file_size() ||
            get32(header + off_width) != p.width || get32(header + off_height) != p.height) {
            fail("not the whole BMP file told", name);
        }
        ++files;
    }
    if (files != checker.written.size()) {
        fail("written pictures missing", std::to_string(checker.written.size() - files));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Every index byte but the marker must be able to name any file.
    if (disc_file_names().size() >= free_name_marker) {
        fail("disc names", "too many for one byte");
    }
    prepare_scratch_dir(argc, argv);
    result<std::unique_ptr<output_folder>> opened = output_folder::open(scratch_path().string());
    null_device = std::fopen("/dev/null", "w");
    if (!opened || !opened.value()->check_writable() || null_device == nullptr) {
        fail("no output folder", scratch_path().string());
    }
    folder = std::move(*opened);
    pictures = std::make_unique<folder_sink>(*folder);
    // Below the console nothing prints.
    hold_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::unique_ptr<disc> source = open_memory_disc("q:\\", parse_disc_image(data, size));
    picture_settings settings;
    settings.pictures = pictures.get();

    // The messages in either encoding, as the console prints them.
    console con(
        null_device, nullptr,
        text_encoding{size % 2 == 0 ? console_encoding::utf8 : console_encoding::shift_jis, {}});
    console_report report({con, con, null_device}, console_report::results::shown);
    run_checker checker;
    run_listeners listeners;
    listeners.add(report);
    listeners.add(checker);
    const bool ran = run_extraction(*source, settings, listeners);
    // A run fails exactly when one of its groups failed as a whole.
    if (ran != (checker.groups_failed == 0)) {
        fail("run_extraction result", std::to_string(ran));
    }
    if (stdout_written()) {
        fail("standard output", "written to");
    }
    check_folder(checker);
    empty_scratch_dir();
    return 0;
}
