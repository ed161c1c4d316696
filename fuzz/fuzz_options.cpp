// The command line and the drive letter. The input's first byte is the letter typed at the
// prompt; the rest, split at NUL bytes, gives up to max_arguments arguments after the
// program's name. The letter's drive is looked up in a scratch folder that holds drive
// entries of every kind: a folder, a plain file, a dangling link and a pipe, which blocks
// whoever opens it to read (libFuzzer's -timeout tells).
#include "app/describe.hpp"
#include "app/options.hpp"
#include "core/ascii.hpp"
#include "encode/formats.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "scratch_dir.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t max_arguments = 16;
constexpr char program[] = "quillmoor";

// The drive entries: only q holds a disc, a folder with one file.
constexpr char folder_drive = 'q';
constexpr char file_drive = 'r';
constexpr char dangling_drive = 's';
constexpr char pipe_drive = 't';
constexpr char picture_name[] = "F001.SPR";
constexpr char picture_bytes[] = "portrait";
constexpr mode_t entry_mode = 0700;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_options: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool one_line(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

bool same_options(const options& a, const options& b) {
    return a.help == b.help && a.version == b.version && a.quiet == b.quiet && a.list == b.list &&
           a.no_clobber == b.no_clobber && a.encoding == b.encoding && a.format == b.format &&
           a.only == b.only && a.output == b.output && a.manifest == b.manifest &&
           a.source == b.source;
}

bool put(const std::string& path, const char* text) {
    std::ofstream out(path);
    return static_cast<bool>(out << text);
}

void make_drive_entries() {
    const in_scratch_dir inside(scratch_after::kept);
    const std::string folder{folder_drive, ':'};
    const bool made = mkdir(folder.c_str(), entry_mode) == 0 &&
                      put(folder + "/" + picture_name, picture_bytes) &&
                      put(std::string{file_drive, ':'}, "no disc image") &&
                      symlink("nowhere", std::string{dangling_drive, ':'}.c_str()) == 0 &&
                      mkfifo(std::string{pipe_drive, ':'}.c_str(), entry_mode) == 0;
    if (!made) {
        fail("cannot make the drive entries in", scratch_path().string());
    }
}

// The drive behind a typed letter: always a disc, at the letter's own entry whatever it is,
// and read only where that entry is a folder: the pipe is never waited on.
void check_typed_letter(int letter) {
    const bool is_letter = is_ascii_letter(letter);
    const auto typed = static_cast<char>(letter);
    for (const char* written : {"", ":", ":\\", ":/"}) {
        if (is_drive_letter(typed + std::string(written)) != is_letter) {
            fail("is_drive_letter", typed + std::string(written));
        }
    }
    const std::string root = drive_root(typed);
    if (root != std::string{typed, ':', '\\'} || is_drive_root(root.c_str()) != is_letter) {
        fail("drive_root", root);
    }
    const in_scratch_dir inside(scratch_after::kept);
    const drive_disc opened = open_drive(root.c_str());
    const std::unique_ptr<disc>& drive = opened.found;
    if (drive == nullptr) {
        fail("open_drive gave no disc for", root);
    }
    const std::string& place = drive->place();
    if (!is_letter) {
        if (!place.empty()) {
            fail("a drive for a root that is none", place);
        }
        return;
    }
    const char lower = ascii_lower(typed);
    const bool entry_here = lower == folder_drive || lower == file_drive ||
                            lower == dangling_drive || lower == pipe_drive;
    if (!entry_here) {
        // Nothing here the drive can be: only the system's mount point may hold it, else the
        // disc tells why there is none.
        if (place.empty() ? !opened.why_empty : place != std::string("/mnt/") + lower) {
            fail("a drive found where there is none", root + " at " + place);
        }
        return;
    }
    if (place != std::string{'.', '/', lower, ':'}) {
        fail("drive place", root + " at " + place);
    }
    std::uint8_t buffer[sizeof picture_bytes] = {};
    const disc_read got = drive->read(picture_name, buffer, sizeof buffer);
    const std::vector<std::string> names = drive->search("*");
    if (lower != folder_drive) {
        // A file that is no disc image, a link to nothing, a pipe: an empty disc that says
        // why, found without waiting on the pipe.
        if (!opened.why_empty || got.found || !names.empty()) {
            fail("no disc as a drive", root);
        }
        return;
    }
    if (!got.found || got.count != std::strlen(picture_bytes) ||
        names != std::vector<std::string>{picture_name}) {
        fail("the folder drive's file", root);
    }
}

// A drive letter as the source opens as the program opens it: a disc found somewhere, or why
// not in one line.
void check_source(const std::string& source) {
    const in_scratch_dir inside(scratch_after::kept);
    const result<std::unique_ptr<disc>> opened = open_source(source);
    const std::string error = opened ? std::string() : describe_source_error(opened.failure());
    if (opened ? (*opened)->place().empty() : !one_line(error)) {
        fail("open_source", source + ": " + error);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    prepare_scratch_dir(argc, argv);
    make_drive_entries();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    check_typed_letter(data[0]);

    // Each argument in a block of its own, exactly as long as it is.
    std::vector<std::unique_ptr<char[]>> blocks;
    std::vector<const char*> argv{program};
    const char* text = reinterpret_cast<const char*>(data + 1);
    const char* const end = text + (size - 1);
    while (text != end && argv.size() <= max_arguments) {
        const char* const stop = std::find(text, end, '\0');
        const auto length = static_cast<std::size_t>(stop - text);
        blocks.emplace_back(new char[length + 1]);
        std::memcpy(blocks.back().get(), text, length);
        blocks.back()[length] = '\0';
        argv.push_back(blocks.back().get());
        text = stop == end ? end : stop + 1;
    }
    const std::vector<const char*> given = argv;
    argv.push_back(nullptr);
    const int argc = static_cast<int>(given.size());

    const result<options, std::string> first = parse_options(argc, argv.data());
    const bool ok = first.ok();
    const options parsed = ok ? *first : options{};
    const std::string error = ok ? std::string() : first.failure();
    if (!std::equal(given.begin(), given.end(), argv.begin())) {
        fail("parse_options", "reordered the caller's arguments");
    }
    if (!ok && !one_line(error)) {
        fail("error not one line", error);
    }
    // Nothing of one parse is left over for the next.
    const result<options, std::string> second = parse_options(argc, argv.data());
    if (second.ok() != ok || (!ok && second.failure() != error) ||
        (ok && !same_options(*second, parsed))) {
        fail("a second parse differs", error);
    }
    if (!ok) {
        return 0;
    }
    // No option takes an empty value and the source is never empty.
    const auto empty = [](const char* arg) { return *arg == '\0'; };
    if (std::any_of(given.begin(), given.end(), empty)) {
        fail("an empty argument accepted", "");
    }
    if (!parsed.source.empty() &&
        std::find(given.begin() + 1, given.end(), parsed.source) == given.end()) {
        fail("a source that is no argument", parsed.source);
    }
    for (const std::string& pattern : parsed.only) {
        if (pattern.empty() || pattern.find(',') != std::string::npos) {
            fail("--only pattern", pattern);
        }
    }
    const auto formats = picture_formats();
    if (parsed.format != nullptr &&
        std::none_of(formats.begin(), formats.end(),
                     [&](const picture_format& f) { return &f == parsed.format; })) {
        fail("a format outside the table", parsed.format->name);
    }
    if (is_drive_letter(parsed.source)) {
        check_source(parsed.source);
    }
    return 0;
}
