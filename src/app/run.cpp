#include "app/run.hpp"

#include "app/console.hpp"
#include "app/describe.hpp"
#include "app/errormes.hpp"
#include "app/gallery.hpp"
#include "app/l10n.hpp"
#include "app/manifest.hpp"
#include "app/manifest_file.hpp"
#include "app/options.hpp"
#include "app/report.hpp"
#include "app/shown.hpp"
#include "app/suggest.hpp"
#include "app/texts.hpp"
#include "app/version.hpp"
#include "core/ascii.hpp"
#include "encode/folder_sink.hpp"
#include "encode/formats.hpp"
#include "extract/groups.hpp"
#include "extract/picture_run.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "platform/file_facts.hpp"
#include "platform/output_folder.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace {

constexpr char banner[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
constexpr char input_marker[] = N_("drive letter >");

constexpr char standard_output[] = "standard output";

// Drops the rest of the typed line; stops at end of input rather than wait for more.
void discard_line(console& con, int first) {
    for (int c = first; c != '\n' && c != EOF;) {
        c = con.getc();
    }
}

exit_status usage_error(const std::string& what) {
    // A line that asks ("did you mean ...?") needs no full stop of its own.
    std::fprintf(stderr, _("%s: %s%s Try '%s --help'.\n"), program_name, escaped(what).c_str(),
                 what.ends_with('?') ? "" : ".", program_name);
    return exit_status::usage;
}

// Banner, prompt and the typed drive letter. No disc when the letter is not one, which has
// been reported.
drive_disc ask_for_drive(console& con) {
    con.puts(banner);
    con.puts("\n");
    con.puts(text_prompt);
    con.puts("\n");
    con.puts(_(input_marker));
    con.flush();

    const int letter = con.getc();
    discard_line(con, letter);
    con.puts("\n");
    if (!is_ascii_letter(letter)) {
        errormes(con, err_bad_drive, nullptr);
        return {};
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
    const std::string line = formatted(_("%s holds none of the disc's files (%s)"),
                                       source.place().c_str(), looked_for.c_str());
    for (const char* pattern : {"*.cue", "*.iso"}) {
        const std::vector<std::string> images = source.search(pattern);
        if (!images.empty()) {
            const std::string image = source.place() + "/" + images.front();
            return formatted(_("%s, but the disc image %s: %s %s reads it"), line.c_str(),
                             images.front().c_str(), program_name, shell_quoted(image).c_str());
        }
    }
    return line;
}

// After a failed dialogue: what the console's lines cannot tell, where the disc is to blame.
void explain_failure(const disc& source, const std::optional<error>& why_empty) {
    if (why_empty) {
        say(stderr, describe_source_error(*why_empty));
    } else if (!source.place().empty() && !holds_disc_files(source)) {
        say(stderr, why_no_disc_files(source));
    }
}

// Each --only pattern names a group or takes a picture of this disc: one that does neither
// is a mistake (a group's name mistyped, say), told before anything is written.
result<void, std::string> check_selection(const std::vector<std::string>& patterns,
                                          const disc& source) {
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
            return formatted(meant.empty() ? _("--only=%s takes no picture of this disc and names "
                                               "no group (%s)")
                                           : _("--only=%s takes no picture of this disc and names "
                                               "no group; did you mean '%s'?"),
                             pattern.c_str(), (meant.empty() ? listed : meant).c_str());
        }
    }
    return {};
}

// The folder at path, which must exist; with check_writable, one that takes a new file. The
// line that says why, when it cannot be had.
result<std::unique_ptr<output_folder>, std::string> open_folder(const std::string& path,
                                                                bool check_writable) {
    result<std::unique_ptr<output_folder>> opened = output_folder::open(path);
    if (!opened) {
        return cannot_open_folder(path, opened.failure());
    }
    if (check_writable) {
        if (const result<void> writable = opened.value()->check_writable(); !writable) {
            return cannot_write_into_folder(path, writable.failure());
        }
    }
    return std::move(opened.value());
}

// The folder the pictures go to: the current one, or DIR of -o, made with its parents. One
// that no file can be written into is refused, but the dialogue's current folder: its run
// tells each picture that cannot be written, as it always has. A listing needs no folder,
// but looks into the one there is when -n is given: none (null) where none is needed or
// found. The line that says why, when it cannot be had.
result<std::unique_ptr<output_folder>, std::string> pictures_folder_for(const options& chosen,
                                                                        bool dialogue) {
    if (chosen.list) {
        if (!chosen.no_clobber) {
            return std::unique_ptr<output_folder>();
        }
        auto there = open_folder(chosen.output.empty() ? "." : chosen.output, false);
        return there ? std::move(*there) : std::unique_ptr<output_folder>();
    }
    if (chosen.output.empty()) {
        return open_folder(".", !dialogue);
    }
    std::error_code made;
    std::filesystem::create_directories(chosen.output, made);
    if (made || !std::filesystem::is_directory(chosen.output, made)) {
        return formatted(_("cannot make the output folder '%s'"), chosen.output.c_str()) +
               (!made                                        ? std::string()
                : made.category() == std::generic_category() ? ": " + system_reason(made.value())
                                                             : ": " + made.message());
    }
    return open_folder(chosen.output, true);
}

// The disc the command line names, checked to hold the disc's files; why not, when it cannot
// be read or holds none of them.
result<std::unique_ptr<disc>, std::string> named_disc(const std::string& source) {
    result<std::unique_ptr<disc>> named = open_source(source);
    if (!named) {
        return describe_source_error(named.failure());
    }
    if (!holds_disc_files(**named)) {
        return why_no_disc_files(**named);
    }
    return std::move(named.value());
}

// What the run is asked, once the command line has been read.
struct run_request {
    const options& chosen;
    const picture_format& format;
    bool dialogue;
    manifest_file* manifest; // null: none asked for
};

// The inputs of a run: the disc, the pictures' folder (none in a listing without -n), and
// the manifest's place checked against both.
struct run_inputs {
    std::unique_ptr<disc> source;
    std::unique_ptr<output_folder> folder;
    std::unique_ptr<folder_sink> pictures; // into the folder, where there is one
    std::optional<error> drive_unread;     // why the dialogue's drive is an empty disc
};

// Writes the manifest; false, said on standard error, when it did not arrive whole.
bool write_manifest(manifest_file& file, const std::string& text) {
    const result<void> written = file.write(text);
    if (written) {
        return true;
    }
    say(stderr, cannot_write_manifest(file.path(), cause_of(written.failure())));
    return false;
}

// The dialogue's letter that is no drive: nothing was read, but the record is still kept.
exit_status bad_drive(const run_request& asked) {
    if (asked.manifest != nullptr) {
        const std::unique_ptr<manifest_listener> empty =
            manifest_listener::make({{}, {}, {}, {}, asked.format.shown, asked.chosen.list});
        const failure_record letter = {error{error_kind::bad_drive}, nullptr, {}, true};
        run_counts counts;
        empty->failure(letter);
        counts.failure(letter);
        write_manifest(*asked.manifest,
                       empty->document(static_cast<int>(exit_status::failed), counts));
    }
    return exit_status::failed;
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
        say(stderr, formatted(_("cannot write %s: %s"), standard_output,
                              system_reason(errno != 0 ? errno : EIO).c_str()));
    }
    return false;
}

// The lines on standard error that end a run: with a source, the summary (unless quiet) and
// the groups that failed as a whole; after a failed dialogue, what the console cannot tell.
void tell_the_end(const run_request& asked, const picture_settings& settings,
                  const run_counts& counts, const run_inputs& in, bool groups_ran) {
    if (asked.dialogue) {
        if (!groups_ran) {
            explain_failure(*in.source, in.drive_unread);
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

// The listeners of a run: the console's report, the counts, and the manifest when asked.
struct run_reports {
    console_report console;
    run_counts counts;
    std::unique_ptr<manifest_listener> manifest;
    run_listeners all;
    std::unique_ptr<gallery_listener> gallery; // when asked, and pictures are written
};

// The page of the pictures hears the run when it is asked for and pictures are written: a
// listing makes none.
void add_gallery(const run_request& asked, run_reports& reports) {
    if (!asked.chosen.gallery.empty() && !asked.chosen.list) {
        reports.gallery = std::make_unique<gallery_listener>();
        reports.all.add(*reports.gallery);
    }
}

// Writes the page into the pictures' folder through its sink, whole or not at all, in place
// of an earlier page (checked before the run). False when it was not written: a failure of
// the run like a picture's, told to every listener.
bool write_gallery(const run_request& asked, const run_inputs& in, run_reports& reports) {
    const std::string& name = asked.chosen.gallery;
    const gallery_head head = {asked.dialogue ? in.source->path_of("") : asked.chosen.source,
                               in.source->place().empty() ? std::string()
                                                          : absolute_path(in.source->place()),
                               asked.format.shown, iso8601_utc(std::chrono::system_clock::now())};
    const std::string page = gallery_page(head, reports.gallery->events(), reports.counts);
    result<committed_file> committed = put_whole(*in.pictures, name, page);
    if (committed) {
        return true;
    }
    error why = std::move(committed.failure());
    why.path = in.pictures->shown_path(name);
    reports.all.failure({std::move(why), nullptr, {}, false});
    return false;
}

std::unique_ptr<run_reports> reports_for(const run_request& asked, const disc& source,
                                         const output_folder* folder, console& results,
                                         console& failures) {
    const options& chosen = asked.chosen;
    const bool manifest_out = asked.manifest != nullptr && asked.manifest->on_standard_output();
    auto reports = std::make_unique<run_reports>(
        run_reports{console_report({results, failures, stderr},
                                   manifest_out   ? console_report::results::elsewhere
                                   : chosen.quiet ? console_report::results::quiet
                                                  : console_report::results::shown),
                    {},
                    nullptr,
                    {},
                    nullptr});
    reports->all.add(reports->console);
    reports->all.add(reports->counts);
    if (asked.manifest != nullptr) {
        const bool listing = chosen.list;
        reports->manifest = manifest_listener::make(
            {asked.dialogue ? source.path_of("") : chosen.source,
             source.place().empty() ? std::string() : absolute_path(source.place()),
             folder != nullptr && !listing ? folder->shown() : std::string(),
             folder != nullptr && !listing ? absolute_path(folder->shown()) : std::string(),
             asked.format.shown, listing});
        reports->all.add(*reports->manifest);
    }
    add_gallery(asked, *reports);
    return reports;
}

picture_settings settings_for(const run_request& asked, picture_sink* pictures) {
    picture_settings settings;
    settings.format = &asked.format;
    settings.pictures = pictures;
    settings.list_only = asked.chosen.list;
    settings.no_clobber = asked.chosen.no_clobber;
    settings.checksums = asked.manifest != nullptr;
    settings.only = selection(asked.chosen.only);
    return settings;
}

// The reports' last words once the groups have run: standard output flushed, the manifest
// written, the lines that end the run, standard output closed. The exit status: a group's
// failure first, then output that did not arrive whole.
exit_status finish_reports(const run_request& asked, const picture_settings& settings,
                           const run_inputs& in, console& results, run_reports& reports,
                           bool groups_ran) {
    const exit_status failed = groups_ran ? exit_status::output_lost : exit_status::failed;
    exit_status status = groups_ran ? exit_status::success : exit_status::failed;
    const bool flushed = flush_standard_output(results, reports.all);
    if (!flushed) {
        status = failed;
    }
    if (reports.gallery != nullptr && in.pictures != nullptr) {
        if (write_gallery(asked, in, reports)) {
            if (reports.manifest != nullptr) {
                reports.manifest->set_gallery(asked.chosen.gallery);
            }
        } else {
            status = failed;
        }
    }
    if (reports.manifest != nullptr &&
        !write_manifest(*asked.manifest,
                        reports.manifest->document(static_cast<int>(status), reports.counts))) {
        ++reports.counts.failed;
        status = failed;
    }
    tell_the_end(asked, settings, reports.counts, in, groups_ran);
    return close_standard_output(!flushed) ? status : failed;
}

// Runs the groups over the disc into the folder and reports it all.
exit_status run_and_report(const run_request& asked, const run_inputs& in, console& results,
                           console& failures) {
    const disc& source = *in.source;
    const picture_settings settings = settings_for(asked, in.pictures.get());
    const std::unique_ptr<run_reports> reports =
        reports_for(asked, source, in.folder.get(), results, failures);
    if (asked.chosen.list) {
        reports->console.begin_listing();
    }
    const bool groups_ran = run_extraction(source, settings, reports->all);
    if (asked.chosen.list) {
        reports->console.end_listing();
    }
    return finish_reports(asked, settings, in, results, *reports, groups_ran);
}

// The status of a run that printed an answer: 0, or 1 when it did not arrive whole.
exit_status answered() {
    return close_standard_output() ? exit_status::success : exit_status::output_lost;
}

// The formats this build writes, and why any is missing, for --version: "BMP, PNG (through
// libspng 0.7.3)", "BMP (PNG left out: built without libspng)".
std::string picture_format_support() {
    std::string ready;
    std::string missing;
    for (const picture_format& f : picture_formats()) {
        const format_library* lib = f.library;
        if (f.ready()) {
            ready += (ready.empty() ? "" : ", ") + std::string(f.shown) +
                     (lib != nullptr ? formatted(_(" (through %s %s)"), lib->name, lib->version)
                                     : std::string());
        } else if (lib != nullptr) {
            missing += lib->built
                           ? formatted(_(" (%s: %s cannot be loaded)"), f.shown, lib->file)
                           : formatted(_(" (%s left out: built without %s)"), f.shown, lib->name);
        }
    }
    return ready + missing;
}

// Why this build cannot write a format it knows.
std::string not_ready(const picture_format& f) {
    const format_library* lib = f.library;
    if (lib != nullptr && lib->built) {
        return formatted(_("%s files need %s, which cannot be loaded"), f.shown, lib->file);
    }
    return formatted(_("this build writes no %s files (built without %s)"), f.shown,
                     lib != nullptr ? lib->name : _("its library"));
}

// What the command line asks that needs no disc (help, the version), or that this build
// cannot do: the exit status then.
std::optional<exit_status> answered_at_once(const options& chosen, const picture_format& format) {
    if (chosen.help) {
        std::fputs(usage_text().c_str(), stdout);
        return answered();
    }
    if (chosen.version) {
        std::printf(_("%s %s\ndisc images: %s\npicture formats: %s\nmanifest: %s\n"), program_name,
                    program_version, disc_image_support().c_str(), picture_format_support().c_str(),
                    manifest_support().c_str());
        return answered();
    }
    if (!format.ready()) {
        return usage_error(not_ready(format));
    }
    if (!chosen.manifest.empty() && !manifest_built) {
        return usage_error(_("this build writes no manifest (built without nlohmann-json)"));
    }
    return std::nullopt;
}

// Why the page asked for cannot go into the pictures' folder; empty when it can, or when no
// page is made.
std::string gallery_refused(const run_request& asked, const run_inputs& in) {
    if (asked.chosen.gallery.empty() || asked.chosen.list || in.folder == nullptr) {
        return {};
    }
    return gallery_place_refused(asked.chosen.gallery, *in.folder,
                                 asked.manifest != nullptr ? asked.manifest->path() : "");
}

// Opens the disc (the dialogue asks for its letter), checks --only against it, makes the
// pictures' folder and checks the manifest's place. The exit status when it cannot.
result<run_inputs, exit_status> open_inputs(const run_request& asked, console& results) {
    const options& chosen = asked.chosen;
    run_inputs in;
    if (asked.dialogue) {
        drive_disc drive = ask_for_drive(results);
        in.source = std::move(drive.found);
        in.drive_unread = std::move(drive.why_empty);
    } else {
        result<std::unique_ptr<disc>, std::string> named = named_disc(chosen.source);
        if (!named) {
            return usage_error(named.failure());
        }
        in.source = std::move(*named);
    }
    if (in.source == nullptr) {
        results.flush();
        return bad_drive(asked);
    }
    if (result<void, std::string> taken = check_selection(chosen.only, *in.source); !taken) {
        return usage_error(taken.failure());
    }
    // The pictures' folder is made once the disc is open, and the manifest checked once the
    // folder is there.
    result<std::unique_ptr<output_folder>, std::string> folder =
        pictures_folder_for(chosen, asked.dialogue);
    if (!folder) {
        return usage_error(folder.failure());
    }
    in.folder = std::move(*folder);
    if (in.folder != nullptr) {
        in.pictures = std::make_unique<folder_sink>(*in.folder);
    }
    if (const std::string refused = gallery_refused(asked, in); !refused.empty()) {
        return usage_error(refused);
    }
    if (asked.manifest != nullptr) {
        if (result<void, std::string> placed =
                asked.manifest->check(*in.source, in.folder.get(), asked.format);
            !placed) {
            return usage_error(placed.failure());
        }
    }
    return in;
}

// The stages of a run: the command line read, the answers that need no disc, the inputs
// opened, the groups run and the reports finished.
exit_status run_program(int argc, const char* const* argv) {
    result<options, std::string> parsed =
        argc > 1 ? parse_options(argc, argv) : result<options, std::string>(options{});
    if (!parsed) {
        return usage_error(parsed.failure());
    }
    const options& chosen = *parsed;
    const picture_format& format =
        chosen.format != nullptr ? *chosen.format : default_picture_format();
    if (const std::optional<exit_status> answer = answered_at_once(chosen, format)) {
        return *answer;
    }
    const bool dialogue = chosen.source.empty();
    manifest_file manifest;
    if (!chosen.manifest.empty()) {
        if (result<void, std::string> chosen_place =
                manifest.choose(chosen.manifest, dialogue, chosen.output);
            !chosen_place) {
            return usage_error(chosen_place.failure());
        }
    }
    const run_request asked = {chosen, format, dialogue,
                               chosen.manifest.empty() ? nullptr : &manifest};
    // Text in the user's locale, as every program writes it, unless the command line says.
    const text_encoding encoding =
        chosen.encoding.has_value() ? text_encoding{*chosen.encoding, {}} : locale_encoding();
    if (chosen.encoding.has_value()) {
        translate_into(*chosen.encoding);
    }
    console results(stdout, stdin, encoding);
    // A run with a source keeps standard output for its results: its failures' lines go to
    // standard error, in the same words. The dialogue's console has both, as it always had.
    console errors(stderr, nullptr, encoding, true);
    result<run_inputs, exit_status> in = open_inputs(asked, results);
    if (!in) {
        return in.failure();
    }
    return run_and_report(asked, *in, results, dialogue ? results : errors);
}

} // namespace

int quillmoor_main(int argc, const char* const* argv) {
    return static_cast<int>(run_program(argc, argv));
}
