#include "app/run.hpp"

#include "app/console.hpp"
#include "app/errormes.hpp"
#include "app/manifest.hpp"
#include "app/options.hpp"
#include "app/report.hpp"
#include "app/shown.hpp"
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
            say(stderr, source.place() + " holds none of the disc's files, but the disc image " +
                            images.front() + ": " + std::string(program_name) + " " +
                            shell_quoted(image) + " reads it");
            return;
        }
    }
    say(stderr, source.place() + " holds none of the disc's files");
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

// The manifest's file, made under a name of its own beside where it goes and given its name
// when whole, as the pictures are; removed when the run ends before that.
class manifest_file {
  public:
    ~manifest_file() {
        if (file_ != nullptr) {
            std::fclose(file_);
            folder_->discard(temporary_);
        }
    }

    // False, with the reason, when no file can be made where path says.
    bool open(const std::string& path, std::string& error) {
        path_ = path;
        const std::size_t slash = path.find_last_of(path_separators());
        name_ = slash == std::string::npos ? path : path.substr(slash + 1);
        folder_ = open_output_folder(slash == std::string::npos ? "." : path.substr(0, slash + 1),
                                     false, error);
        // The system's words close the folder's error, as they close the file's.
        std::string reason =
            folder_ == nullptr ? error.substr(error.rfind(": ") + 2) : std::string();
        if (folder_ != nullptr && !name_.empty()) {
            file_ = folder_->create_temporary(name_, temporary_, reason);
        }
        if (file_ == nullptr) {
            error = "cannot write the manifest '" + path + "'" +
                    (reason.empty() ? std::string() : ": " + reason);
        }
        return file_ != nullptr;
    }

    // Writes the document and gives it its name; false, said on standard error, when it fails.
    bool finish(manifest_listener& manifest, int exit_status, const run_counts& counts) {
        bool written = manifest.write(file_, exit_status, counts);
        written = std::fclose(file_) == 0 && written;
        file_ = nullptr;
        bool existed = false;
        std::string reason = "the write failed";
        if (!written) {
            folder_->discard(temporary_);
        } else if (!folder_->publish(temporary_, name_, true, existed, reason)) {
            written = false;
        }
        if (!written) {
            say(stderr, "cannot write the manifest '" + path_ + "': " + reason);
        }
        return written;
    }

  private:
    std::string path_;
    std::string name_;
    std::unique_ptr<output_folder> folder_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};

// The folder the run writes into: -o's, made if missing, or the current one. A listing
// needs none, but looks into the one there is when -n is given. Null with an empty error
// where none is needed or found.
std::unique_ptr<output_folder> pictures_folder_for(const options& chosen, std::string& error) {
    if (!chosen.list) {
        return open_pictures_folder(chosen.output, error);
    }
    if (!chosen.no_clobber) {
        return nullptr;
    }
    std::string ignored;
    return open_output_folder(chosen.output.empty() ? "." : chosen.output, false, ignored);
}

// The exit status a result becomes, as a process sees it: -1 is 255.
int exit_of(status result) {
    return result & 0xFF;
}

} // namespace

int quillmoor_main(int argc, const char* const* argv) {
    options chosen;
    if (std::string error; argc > 1 && !parse_options(argc, argv, chosen, error)) {
        return usage_error(error);
    }
    if (chosen.help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    if (chosen.version) {
        std::printf("%s %s\ndisc images: %s\npicture formats: %s\nmanifest: %s\n", program_name,
                    program_version, disc_image_support().c_str(), picture_format_support().c_str(),
                    manifest_support().c_str());
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
    // Text in the user's locale, as every program writes it, unless the command line says.
    console con(stdout, stdin,
                chosen.encoding.has_value() ? text_encoding{*chosen.encoding, {}}
                                            : locale_encoding());

    std::unique_ptr<disc> source;
    if (!chosen.source.empty()) {
        std::string error;
        source = open_source(chosen.source, error);
        if (source == nullptr) {
            return usage_error(error);
        }
    }
    std::unique_ptr<manifest_file> manifest_out;
    if (!chosen.manifest.empty()) {
        std::string error;
        manifest_out = std::make_unique<manifest_file>();
        if (!manifest_out->open(chosen.manifest, error)) {
            return usage_error(error);
        }
    }
    if (source == nullptr) {
        source = ask_for_drive(con);
        if (source == nullptr) {
            con.flush();
            if (manifest_out != nullptr) {
                // A run that read nothing still leaves its record.
                const std::unique_ptr<manifest_listener> empty =
                    manifest_listener::make({{}, {}, format.shown, chosen.list});
                const failure_record bad_drive = {
                    {err_bad_drive, nullptr, {}, {}}, nullptr, {}, true};
                run_counts counts;
                empty->failure(bad_drive);
                counts.failure(bad_drive);
                manifest_out->finish(*empty, exit_of(st_bad_drive), counts);
            }
            return st_bad_drive;
        }
    }
    // The pictures' folder is made once the disc is open.
    std::string folder_error;
    const std::unique_ptr<output_folder> folder = pictures_folder_for(chosen, folder_error);
    if (!folder_error.empty()) {
        return usage_error(folder_error);
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
    if (manifest_out != nullptr) {
        manifest = manifest_listener::make(
            {chosen.source.empty() ? source->path_of("") : chosen.source,
             folder != nullptr && !chosen.list ? folder->shown() : std::string(), format.shown,
             chosen.list});
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
    if (manifest != nullptr && !manifest_out->finish(*manifest, exit_of(result), counts)) {
        // A group that failed still says so first.
        exit_status = result != st_ok ? result : exit_manifest;
    }
    if (!chosen.source.empty() && !chosen.quiet) {
        say(stderr, counts.summary(settings, format));
    }
    if (result != st_ok) {
        explain_failure(*source);
    }
    return exit_status;
}
