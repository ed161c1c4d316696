#include "app/run.hpp"

#include "app/console.hpp"
#include "app/errormes.hpp"
#include "app/manifest.hpp"
#include "app/manifest_file.hpp"
#include "app/options.hpp"
#include "app/report.hpp"
#include "app/shown.hpp"
#include "app/suggest.hpp"
#include "app/texts.hpp"
#include "app/version.hpp"
#include "core/ascii.hpp"
#include "encode/formats.hpp"
#include "encode/png_built.hpp"
#include "extract/groups.hpp"
#include "extract/picture_run.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "platform/file_facts.hpp"
#include "platform/output_folder.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace {

constexpr char banner[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
constexpr char input_marker[] = "drive letter >";

constexpr int exit_usage = 2;
constexpr int exit_output_lost = 1; // standard output or the manifest did not arrive whole
constexpr status st_bad_drive = -1;
constexpr char standard_output[] = "standard output";

// Drops the rest of the typed line; stops at end of input rather than wait for more.
void discard_line(console& con, int first) {
    for (int c = first; c != '\n' && c != EOF;) {
        c = con.getc();
    }
}

int usage_error(const std::string& what) {
    // A line that asks ("did you mean ...?") needs no full stop of its own.
    std::fprintf(stderr, "%s: %s%s Try '%s --help'.\n", program_name, escaped(what).c_str(),
                 what.ends_with('?') ? "" : ".", program_name);
    return exit_usage;
}

// Banner, prompt and the typed drive letter. Null when the letter is not one, which has
// been reported.
std::unique_ptr<disc> ask_for_drive(console& con) {
    con.puts(banner);
    con.puts("\n");
    con.puts(text_prompt);
    con.puts("\n");
    con.puts(input_marker);
    con.flush();

    const int letter = con.getc();
    discard_line(con, letter);
    con.puts("\n");
    if (!is_ascii_letter(letter)) {
        errormes(con, err_bad_drive, nullptr);
        return nullptr;
    }
    return open_drive(drive_root(static_cast<char>(letter)).c_str());
}

std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Why a disc that opened holds no picture: the files it was searched for, and a disc image
// among its files that may be what was meant.
std::string why_no_disc_files(const disc& source) {
    std::string looked_for;
    for (const picture_group& group : picture_groups()) {
        looked_for += (looked_for.empty() ? "" : ", ") + std::string(group.first_file);
    }
    const std::string line =
        source.place() + " holds none of the disc's files (" + looked_for + ")";
    for (const char* pattern : {"*.cue", "*.iso"}) {
        const std::vector<std::string> images = source.search(pattern);
        if (!images.empty()) {
            const std::string image = source.place() + "/" + images.front();
            return line + ", but the disc image " + images.front() + ": " +
                   std::string(program_name) + " " + shell_quoted(image) + " reads it";
        }
    }
    return line;
}

// After a failed dialogue: what the console's lines cannot tell, where the disc is to blame.
void explain_failure(const disc& source) {
    if (!source.trouble().empty()) {
        say(stderr, source.trouble());
    } else if (!source.place().empty() && !holds_disc_files(source)) {
        say(stderr, why_no_disc_files(source));
    }
}

// Each --only pattern names a group or takes a picture of this disc: one that does neither
// is a mistake (a group's name mistyped, say), told before anything is written.
bool check_selection(const std::vector<std::string>& patterns, const disc& source,
                     std::string& error) {
    const std::vector<listed_picture> pictures = disc_pictures(source);
    for (const std::string& pattern : patterns) {
        bool taken = false;
        for (const char* group : picture_group_names()) {
            taken = taken || same_ignoring_case(pattern.c_str(), group);
        }
        for (const listed_picture& p : pictures) {
            taken = taken || wildcard_match(pattern.c_str(), p.name.c_str());
        }
        if (!taken) {
            std::vector<std::string_view> groups;
            std::string listed;
            for (const char* group : picture_group_names()) {
                groups.emplace_back(group);
                listed += (listed.empty() ? "" : ", ") + std::string(group);
            }
            const std::string meant = closest_word(pattern, groups);
            error = "--only=" + pattern + " takes no picture of this disc and names no group" +
                    (meant.empty() ? " (" + listed + ")" : "; did you mean '" + meant + "'?");
            return false;
        }
    }
    return true;
}

// The folder the pictures go to: the current one, or DIR of -o, made with its parents. One
// that no file can be written into is refused, but the dialogue's current folder: its run
// tells each picture that cannot be written, as it always has. A listing needs no folder,
// but looks into the one there is when -n is given. Null, with the reason in error, when it
// cannot be had; null with an empty error where none is needed or found.
std::unique_ptr<output_folder> pictures_folder_for(const options& chosen, bool dialogue,
                                                   std::string& error) {
    if (chosen.list) {
        std::string ignored;
        return chosen.no_clobber
                   ? open_output_folder(chosen.output.empty() ? "." : chosen.output, false, ignored)
                   : nullptr;
    }
    if (chosen.output.empty()) {
        return open_output_folder(".", !dialogue, error);
    }
    std::error_code made;
    std::filesystem::create_directories(chosen.output, made);
    if (made || !std::filesystem::is_directory(chosen.output, made)) {
        error = "cannot make the output folder '" + chosen.output + "'" +
                (made ? ": " + made.message() : std::string());
        return nullptr;
    }
    return open_output_folder(chosen.output, true, error);
}

// The exit status a result becomes, as a process sees it: -1 is 255.
int exit_of(status result) {
    return result & 0xFF;
}

// The disc the command line names, checked to hold the disc's files; null, with why, when
// it cannot be read or holds none of them.
std::unique_ptr<disc> named_disc(const std::string& source, std::string& error) {
    std::unique_ptr<disc> named = open_source(source, error);
    if (named != nullptr && !holds_disc_files(*named)) {
        error = why_no_disc_files(*named);
        return nullptr;
    }
    return named;
}

// What the run is asked, once the command line has been read.
struct run_request {
    const options& chosen;
    const picture_format& format;
    bool dialogue;
    manifest_file* manifest; // null: none asked for
};

// Writes the manifest; false, said on standard error, when it did not arrive whole.
bool write_manifest(manifest_file& file, const std::string& text) {
    std::string reason;
    if (file.write(text, reason)) {
        return true;
    }
    say(stderr, cannot_write_manifest(file.path(), reason));
    return false;
}

// The dialogue's letter that is no drive: nothing was read, but the record is still kept.
int bad_drive(const run_request& asked) {
    if (asked.manifest != nullptr) {
        const std::unique_ptr<manifest_listener> empty =
            manifest_listener::make({{}, {}, {}, {}, asked.format.shown, asked.chosen.list});
        const failure_record letter = {error{error_kind::bad_drive}, nullptr, {}, true};
        run_counts counts;
        empty->failure(letter);
        counts.failure(letter);
        write_manifest(*asked.manifest, empty->document(exit_of(st_bad_drive), counts));
    }
    return st_bad_drive;
}

// Standard output's last lines are flushed: when any line did not arrive, that is a failure
// of the run like any other. False then.
bool flush_standard_output(console& results, run_listener& listeners) {
    results.flush();
    const int lost = results.write_error();
    if (lost != 0) {
        listeners.failure(
            {error{error_kind::write_failed, nullptr, standard_output, lost}, nullptr, {}, false});
    }
    return lost == 0;
}

// Closes standard output, the last of what the run writes: false when what was written to it
// did not all arrive (a file system that tells at the close), said on standard error unless
// it has been told.
bool close_standard_output(bool told = false) {
    const bool failed_before = std::ferror(stdout) != 0;
    errno = 0;
    if (std::fclose(stdout) == 0 && !failed_before) {
        return true;
    }
    if (!told) {
        say(stderr, std::string("cannot write ") + standard_output + ": " +
                        system_reason(errno != 0 ? errno : EIO));
    }
    return false;
}

// The lines on standard error that end a run: with a source, the summary (unless quiet) and
// the groups that failed as a whole; after a failed dialogue, what the console cannot tell.
void tell_the_end(const run_request& asked, const picture_settings& settings,
                  const run_counts& counts, const disc& source, status result) {
    if (asked.dialogue) {
        if (result != st_ok) {
            explain_failure(source);
        }
        return;
    }
    if (!asked.chosen.quiet) {
        say(stderr, counts.summary(settings, asked.format));
    }
    for (const std::string& line : counts.group_lines()) {
        say(stderr, line);
    }
}

// Runs the groups over the disc into the folder and reports it all. Returns the exit status.
int run_and_report(const run_request& asked, const disc& source, output_folder* folder,
                   console& results, console& failures) {
    const options& chosen = asked.chosen;
    picture_settings settings;
    settings.format = &asked.format;
    settings.folder = folder;
    settings.list_only = chosen.list;
    settings.no_clobber = chosen.no_clobber;
    settings.checksums = asked.manifest != nullptr;
    settings.only = selection(chosen.only);

    const bool manifest_out = asked.manifest != nullptr && asked.manifest->on_standard_output();
    console_report report({results, failures, stderr},
                          manifest_out   ? console_report::results::elsewhere
                          : chosen.quiet ? console_report::results::quiet
                                         : console_report::results::shown);
    run_counts counts;
    run_listeners listeners;
    listeners.add(report);
    listeners.add(counts);
    std::unique_ptr<manifest_listener> manifest;
    if (asked.manifest != nullptr) {
        const bool listing = chosen.list;
        manifest = manifest_listener::make(
            {asked.dialogue ? source.path_of("") : chosen.source,
             source.place().empty() ? std::string() : absolute_path(source.place()),
             folder != nullptr && !listing ? folder->shown() : std::string(),
             folder != nullptr && !listing ? absolute_path(folder->shown()) : std::string(),
             asked.format.shown, listing});
        listeners.add(*manifest);
    }
    if (chosen.list) {
        report.begin_listing();
    }
    const status result = run_extraction(source, settings, listeners);
    if (chosen.list) {
        report.end_listing();
    }
    // A group that failed still says so first.
    const int failed_status = result != st_ok ? result : exit_output_lost;
    int exit_status = result;
    const bool flushed = flush_standard_output(results, listeners);
    if (!flushed) {
        exit_status = failed_status;
    }
    if (manifest != nullptr &&
        !write_manifest(*asked.manifest, manifest->document(exit_of(exit_status), counts))) {
        ++counts.failed;
        exit_status = failed_status;
    }
    tell_the_end(asked, settings, counts, source, result);
    return close_standard_output(!flushed) ? exit_status : failed_status;
}

// The status of a run that printed an answer: 0, or 1 when it did not arrive whole.
int answered() {
    return close_standard_output() ? 0 : exit_output_lost;
}

// What the command line asks that needs no disc (help, the version), or that this build
// cannot do: the exit status then.
std::optional<int> answered_at_once(const options& chosen, const picture_format& format) {
    if (chosen.help) {
        std::fputs(usage_text().c_str(), stdout);
        return answered();
    }
    if (chosen.version) {
        std::printf("%s %s\ndisc images: %s\npicture formats: %s\nmanifest: %s\n", program_name,
                    program_version, disc_image_support().c_str(), picture_format_support().c_str(),
                    manifest_support().c_str());
        return answered();
    }
    if (!format.ready()) {
        return usage_error(png_output_built
                               ? std::string("PNG files need ") + png_library_file +
                                     ", which cannot be loaded"
                               : std::string("this build writes no PNG files (built without "
                                             "libspng)"));
    }
    if (!chosen.manifest.empty() && !manifest_built) {
        return usage_error("this build writes no manifest (built without nlohmann-json)");
    }
    return std::nullopt;
}

} // namespace

int quillmoor_main(int argc, const char* const* argv) {
    options chosen;
    if (std::string error; argc > 1 && !parse_options(argc, argv, chosen, error)) {
        return usage_error(error);
    }
    const picture_format& format =
        chosen.format != nullptr ? *chosen.format : default_picture_format();
    if (const std::optional<int> answered = answered_at_once(chosen, format)) {
        return *answered;
    }
    const bool dialogue = chosen.source.empty();
    manifest_file manifest;
    std::string error;
    if (!chosen.manifest.empty() &&
        !manifest.choose(chosen.manifest, dialogue, chosen.output, error)) {
        return usage_error(error);
    }
    const run_request asked = {chosen, format, dialogue,
                               chosen.manifest.empty() ? nullptr : &manifest};
    // Text in the user's locale, as every program writes it, unless the command line says.
    const text_encoding encoding =
        chosen.encoding.has_value() ? text_encoding{*chosen.encoding, {}} : locale_encoding();
    console results(stdout, stdin, encoding);
    // A run with a source keeps standard output for its results: its failures' lines go to
    // standard error, in the same words. The dialogue's console has both, as it always had.
    console errors(stderr, nullptr, encoding, true);
    console& failures = dialogue ? results : errors;

    std::unique_ptr<disc> source =
        dialogue ? ask_for_drive(results) : named_disc(chosen.source, error);
    if (source == nullptr) {
        results.flush();
        return dialogue ? bad_drive(asked) : usage_error(error);
    }
    if (!check_selection(chosen.only, *source, error)) {
        return usage_error(error);
    }
    // The pictures' folder is made once the disc is open, and the manifest checked once the
    // folder is there.
    const std::unique_ptr<output_folder> folder = pictures_folder_for(chosen, dialogue, error);
    if (!error.empty()) {
        return usage_error(error);
    }
    if (asked.manifest != nullptr && !manifest.check(*source, folder.get(), format, error)) {
        return usage_error(error);
    }
    return run_and_report(asked, *source, folder.get(), results, failures);
}
