#include "app/run.hpp"

#include "app/options.hpp"
#include "app/texts.hpp"
#include "bmp/png_built.hpp"
#include "extract/endings.hpp"
#include "extract/events.hpp"
#include "extract/faces.hpp"
#include "extract/picture.hpp"
#include "extract/title.hpp"
#include "gfx/colour.hpp"
#include "platform/console.hpp"
#include "platform/disc.hpp"
#include "platform/disc_names.hpp"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

constexpr char banner[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n";
constexpr char input_marker[] = "drive letter >";

constexpr char program_name[] = "quillmoor";
constexpr char version_line[] = "quillmoor 1.02\n";
constexpr int exit_usage = 2;

// Drops the rest of the typed line; stops at end of input rather than wait for more.
void discard_line(int first) {
    for (int c = first; c != '\n' && c != EOF;) {
        c = con_getc();
    }
}

// A line on standard error, where nothing of the program's own console text goes.
void say(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program_name, line.c_str());
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "%s: %s. Try '%s --help'.\n", program_name, what.c_str(), program_name);
    return exit_usage;
}

// Banner, prompt and the typed drive letter. Null when the letter is not one, which has
// been reported.
std::unique_ptr<disc> ask_for_drive() {
    con_puts(banner);
    con_puts("\n");
    con_puts(text_prompt);
    con_puts("\n");
    con_puts(input_marker);
    con_flush();

    const int letter = con_getc();
    discard_line(letter);
    con_puts("\n");
    if (!is_ascii_letter(letter)) {
        errormes(err_bad_drive, nullptr);
        return nullptr;
    }
    return open_drive(drive_root(static_cast<char>(letter)).c_str());
}

// The first file each group reads: a disc without any of them holds no disc files.
bool holds_no_disc_files(const disc& source) {
    if (!source.search("F*.SPR").empty()) {
        return false;
    }
    for (const char* name : {"MP1001.SEQ", "ED_01.MAP", "TITLE.SEQ"}) {
        std::uint8_t none = 0;
        if (source.read(name, &none, 0).found) {
            return false;
        }
    }
    return true;
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
        say(source.trouble());
        return;
    }
    if (source.place().empty() || !holds_no_disc_files(source)) {
        return;
    }
    for (const char* pattern : {"*.cue", "*.iso"}) {
        const std::vector<std::string> images = source.search(pattern);
        if (!images.empty()) {
            const std::string image = source.place() + "/" + images.front();
            say(source.place() + " holds no disc files, but the disc image " + images.front() +
                (reads_disc_images()
                     ? ": " + std::string(program_name) + " " + shell_quoted(image) + " reads it"
                     : ": mount it as a drive to read it"));
            return;
        }
    }
}

// Makes the output folder, with its parents; empty when that went well.
std::string make_output_folder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return "cannot make the output folder '" + folder + "'" +
               (error ? ": " + error.message() : std::string());
    }
    return {};
}

} // namespace

status run_extraction(const disc& source) {
    // Portraits mark every pixel whose top bit is clear; nothing else does.
    set_transparency_mode(trans_mark_clear);
    status result = ext_faces(source);
    set_transparency_mode(trans_plain);
    // A failing group never stops the run.
    result |= ext_events(source);
    result |= ext_endings(source);
    result |= ext_title(source);
    return result;
}

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
        std::printf("%sdisc images: %s\npicture formats: %s\n", version_line,
                    disc_image_support().c_str(), picture_format_support().c_str());
        return 0;
    }
    if (!set_picture_format(chosen.format)) {
        return usage_error(png_output_built
                               ? std::string("PNG files need ") + png_library_file +
                                     ", which cannot be loaded"
                               : std::string("this build writes no PNG files (built without "
                                             "libspng)"));
    }
    con_set_encoding(chosen.encoding.value_or(terminal_encoding()));
    con_set_quiet(chosen.quiet);

    std::unique_ptr<disc> source;
    if (!chosen.source.empty()) {
        std::string error;
        source = open_source(chosen.source, error);
        if (source == nullptr) {
            return usage_error(error);
        }
    }
    if (!chosen.output.empty()) {
        if (const std::string error = make_output_folder(chosen.output); !error.empty()) {
            return usage_error(error);
        }
    }
    if (source == nullptr) {
        source = ask_for_drive();
        if (source == nullptr) {
            con_flush();
            return st_reported;
        }
    }
    // The disc is open, with its folder held: the pictures' folder can be entered now.
    if (!chosen.output.empty()) {
        std::error_code error;
        std::filesystem::current_path(chosen.output, error);
        if (error) {
            return usage_error("cannot enter the output folder '" + chosen.output +
                               "': " + error.message());
        }
    }
    const status result = run_extraction(*source);
    con_flush();
    if (result != st_ok) {
        explain_failure(*source);
    }
    return result;
}
