#include "app/run.hpp"

#include "app/console.hpp"
#include "app/errormes.hpp"
#include "app/manifest.hpp"
#include "app/options.hpp"
#include "app/report.hpp"
#include "app/texts.hpp"
#include "app/version.hpp"
#include "encode/formats.hpp"
#include "encode/png_built.hpp"
#include "extract/groups.hpp"
#include "extract/picture_run.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"
#include "platform/output_folder.hpp"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

constexpr char banner[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
constexpr char input_marker[] = "drive letter >";

constexpr int exit_usage = 2;
constexpr int exit_manifest = 1;
constexpr status st_bad_drive = -1;

// Drops the rest of the typed line; stops at end of input rather than wait for more.
void discard_line(console& con, int first) {
    for (int c = first; c != '\n' && c != EOF;) {
        c = con.getc();
    }
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "%s: %s. Try '%s --help'.\n", program_name, what.c_str(), program_name);
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

// After a failed run: what the console's lines cannot tell, where the disc is to blame.
void explain_failure(const disc& source) {
    if (!source.trouble().empty()) {
        say(stderr, source.trouble());
        return;
    }
    if (source.place().empty() || holds_disc_files(source)) {
        return;
    }
    for (const char* pattern : {"*.cue", "*.iso"}) {
        const std::vector<std::string> images = source.search(pattern);
        if (!images.empty()) {
            const std::string image = source.place() + "/" + images.front();
            say(stderr, source.place() + " holds no disc files, but the disc image " +
                            images.front() +
                            (reads_disc_images() ? ": " + std::string(program_name) + " " +
                                                       shell_quoted(image) + " reads it"
                                                 : ": mount it as a drive to read it"));
            return;
        }
    }
}

// The folder the pictures go to: the current one, or DIR of -o, made with its parents and
// refused when nothing can be written into it. Null, with the reason, when it cannot be had.
std::unique_ptr<output_folder> open_pictures_folder(const std::string& chosen, std::string& error) {
    if (chosen.empty()) {
        return open_output_folder(".", false, error);
    }
    std::error_code made;
    std::filesystem::create_directories(chosen, made);
    if (made || !std::filesystem::is_directory(chosen, made)) {
        error = "cannot make the output folder '" + chosen + "'" +
                (made ? ": " + made.message() : std::string());
        return nullptr;
    }
    return open_output_folder(chosen, true, error);
}

const char* plural(unsigned count) {
    return count == 1 ? "" : "s";
}

// The line at the end of a run with a source: what became of the pictures.
std::string summary_of(const run_counts& counts, const picture_settings& settings,
                       const picture_format& format) {
    std::string line;
    if (settings.list_only) {
        line = std::to_string(counts.listed) + " picture" + plural(counts.listed) + " listed";
    } else {
        line = std::to_string(counts.written) + " picture" + plural(counts.written) +
               " written to " + settings.folder->shown() + " (" + format.shown + ")";
    }
    if (settings.no_clobber || counts.skipped != 0) {
        line += ", " + std::to_string(counts.skipped) + " skipped";
    }
    return line + ", " + std::to_string(counts.failed) + " failed";
}

} // namespace

int quillmoor_main(int argc, const char* const* argv) {
    options chosen;
    if (argc <= 1) {
        // The run as it has always been: Shift-JIS whatever the terminal.
        chosen.encoding = console_encoding::shift_jis;
    } else if (std::string error; !parse_options(argc, argv, chosen, error)) {
        return usage_error(error);
    }
    if (chosen.help) {
        std::fputs(usage_text, stdout);
        return 0;
    }
    if (chosen.version) {
        std::printf("%s %s\ndisc images: %s\npicture formats: %s\n", program_name, program_version,
                    disc_image_support().c_str(), picture_format_support().c_str());
        return 0;
    }
    const picture_format& format =
        chosen.format != nullptr ? *chosen.format : default_picture_format();
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
    console con(stdout, stdin, chosen.encoding.value_or(terminal_encoding()));

    std::unique_ptr<disc> source;
    if (!chosen.source.empty()) {
        std::string error;
        source = open_source(chosen.source, error);
        if (source == nullptr) {
            return usage_error(error);
        }
    }
    // A listing writes nothing, and needs no folder to write into.
    std::unique_ptr<output_folder> folder;
    if (!chosen.list) {
        std::string error;
        folder = open_pictures_folder(chosen.output, error);
        if (folder == nullptr) {
            return usage_error(error);
        }
    }
    std::FILE* manifest_file = nullptr;
    if (!chosen.manifest.empty()) {
        manifest_file = std::fopen(chosen.manifest.c_str(), "w");
        if (manifest_file == nullptr) {
            return usage_error("cannot write the manifest '" + chosen.manifest + "'");
        }
    }
    if (source == nullptr) {
        source = ask_for_drive(con);
        if (source == nullptr) {
            con.flush();
            if (manifest_file != nullptr) {
                std::fclose(manifest_file);
            }
            return st_bad_drive;
        }
    }

    picture_settings settings;
    settings.format = &format;
    settings.folder = folder.get();
    settings.list_only = chosen.list;
    settings.no_clobber = chosen.no_clobber;
    settings.only = selection(chosen.only);

    console_report report(con, stderr, chosen.quiet);
    run_counts counts;
    run_listeners listeners;
    listeners.add(report);
    listeners.add(counts);
    std::unique_ptr<manifest_listener> manifest;
    if (manifest_file != nullptr) {
        manifest = manifest_listener::make(
            {chosen.source.empty() ? source->path_of("") : chosen.source,
             folder != nullptr ? folder->shown() : std::string(), format.shown, chosen.list});
        listeners.add(*manifest);
    }
    if (chosen.list) {
        report.begin_listing();
    }
    const status result = run_extraction(*source, settings, listeners);
    if (chosen.list) {
        report.end_listing();
    }
    con.flush();
    int exit_status = result;
    if (manifest != nullptr) {
        const bool written = manifest->write(manifest_file, result & 0xFF);
        if (std::fclose(manifest_file) != 0 || !written) {
            say(stderr, "cannot write the manifest '" + chosen.manifest + "'");
            exit_status = exit_manifest;
        }
    }
    if (!chosen.source.empty() && !chosen.quiet) {
        say(stderr, summary_of(counts, settings, format));
    }
    if (result != st_ok) {
        explain_failure(*source);
    }
    return exit_status;
}
