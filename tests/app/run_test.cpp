// The program as the user meets it: typed input in, console text and exit status out.
#include "app/run.hpp"
#include "app/texts.hpp"
#include "gfx/colour.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef QUILLMOOR_EXE
#error "QUILLMOOR_EXE names the program under test"
#endif

namespace {

namespace fs = std::filesystem;

constexpr char greeting[] = "Quillmoor -SegaSaturn-  Image Extractor v1.02\n\n"
                            // ゲームディスクが入っているドライブ名を入力して下さい。
                            "\x83\x51\x81\x5b\x83\x80\x83\x66\x83\x42\x83\x58\x83\x4e\x82\xaa\x93"
                            "\xfc\x82\xc1\x82\xc4\x82\xa2\x82\xe9\x83\x68\x83\x89\x83\x43\x83\x75"
                            "\x96\xbc\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82"
                            "\xa2\x81\x42\n"
                            "drive letter >\n";

struct program_run {
    int status;
    std::string console;
    std::string errors; // standard error
};

std::string text_of(const char* path) {
    const bytes b = read_file(path);
    return std::string(b.begin(), b.end());
}

// Runs the program in the current directory with `typed` as its whole standard input and
// the arguments as given (to the shell).
program_run run_program(const std::string& typed, const std::string& arguments = "") {
    write_file("typed.txt", bytes(typed.begin(), typed.end()));
    const std::string command = std::string("\"") + QUILLMOOR_EXE + "\" " + arguments +
                                " < typed.txt > console.txt 2> errors.txt";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000, text_of("console.txt"),
            text_of("errors.txt")};
}

// The same on a terminal whose locale writes UTF-8: what the terminal was sent.
std::string run_on_terminal(const std::string& arguments) {
    const std::string command = std::string("LC_ALL=C.UTF-8 script -qec '\"") + QUILLMOOR_EXE +
                                "\" " + arguments + " < /dev/null' /dev/null > terminal.txt";
    EXPECT_EQ(std::system(command.c_str()) >> 8, 255);
    std::string text = text_of("terminal.txt");
    std::erase(text, '\r'); // the terminal's line ends
    return text;
}

// The lines of a disc that holds nothing but portraits: every later group misses its
// first file, in the case the drive letter was typed in.
std::string later_groups_missing(char drive) {
    const std::string root = std::string(1, drive) + ":\\";
    return report_of(-201, (root + "MP1001.SEQ").c_str()) +
           report_of(-201, (root + "ED_01.MAP").c_str()) +
           report_of(-201, (root + "TITLE.SEQ").c_str());
}

bytes one_portrait() {
    bytes b;
    for (int i = 0; i < 6400; ++i) {
        put_be16(b, 0x801F);
    }
    return b;
}

TEST(Dialogue, LetterAndEnterExtractsFromThatDrive) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    const program_run r = run_program("q\n");
    EXPECT_EQ(r.console, std::string(greeting) + "done > F001.BMP\n" + later_groups_missing('q'));
    EXPECT_EQ(r.status, 255); // -1: groups failed
    EXPECT_TRUE(fs::exists("F001.BMP"));
}

TEST(Dialogue, OnlyTheFirstCharacterOfTheLineCounts) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    // The upper-case letter names the same drive; the rest of the line is dropped.
    EXPECT_EQ(run_program("Q:\\\n").console,
              std::string(greeting) + "done > F001.BMP\n" + later_groups_missing('Q'));
    // Without a newline at all, the end of input ends the line.
    EXPECT_EQ(run_program("q").console,
              std::string(greeting) + "done > F001.BMP\n" + later_groups_missing('q'));
}

TEST(Dialogue, AnythingButALetterIsAnInvalidDrive) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    for (const char* typed :
         {"1\n", "\n", "", ":q\n", "\xe3\x81\x82\n", "[\n", "`\n", "@\n", "{\n"}) {
        const program_run r = run_program(typed);
        EXPECT_EQ(r.console, std::string(greeting) + report_of(-105, nullptr)) << typed;
        EXPECT_EQ(r.status, 255) << typed; // -1
    }
    EXPECT_FALSE(fs::exists("F001.BMP"));
}

TEST(Dialogue, EmptyDriveFailsTheRun) {
    scratch_dir dir;
    const program_run r = run_program("q\n");
    EXPECT_EQ(r.console,
              std::string(greeting) + report_of(-104, nullptr) + later_groups_missing('q'));
    EXPECT_EQ(r.status, 255);
}

TEST(ExtractionRun, TransparencyModeIsBackToPlainAfterThePortraits) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    console_of([] { run_extraction(*drive_q()); });
    EXPECT_EQ(transparency_mode(), trans_plain);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    scratch_dir dir;
    for (const char* asked : {"--help", "-h", "-q --help"}) {
        const program_run r = run_program("", asked);
        EXPECT_EQ(r.status, 0) << asked;
        EXPECT_TRUE(r.console.starts_with("Usage: quillmoor [OPTION]... [SOURCE]\n")) << asked;
        EXPECT_EQ(r.errors, "") << asked;
    }
    const program_run v = run_program("", "-V");
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(v.console.starts_with("quillmoor 1.02\ndisc images: ")) << v.console;
}

TEST(CommandLine, BadUsageIsOneLineOnStandardErrorAndStatusTwo) {
    scratch_dir dir;
    for (const char* wrong : {"--bogus", "-x", "q r", "no-such-folder", "-o", "--output",
                              "--encoding=latin1", "-f gif", "--quiet=yes", "r"}) {
        const program_run r = run_program("q\n", wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_EQ(r.console, "") << wrong;
        EXPECT_TRUE(r.errors.starts_with("quillmoor: ")) << wrong;
        EXPECT_TRUE(r.errors.ends_with(". Try 'quillmoor --help'.\n")) << wrong << r.errors;
        EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << wrong;
    }
}

TEST(CommandLine, SourceRunsWithoutDialogueQuietlyIfAsked) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    fs::create_directory("disc");
    write_file("disc/F002.SPR", one_portrait());
    // A drive letter in any of its forms, a folder; messages name files as they were given.
    for (const char* source : {"q", "Q:", "q:\\\\"}) {
        const std::string root = std::string(1, source[0]) + ":\\";
        const program_run r = run_program("", source);
        EXPECT_EQ(r.console, "done > F001.BMP\n" + later_groups_missing(source[0])) << source;
    }
    const program_run folder = run_program("", "-o out disc");
    EXPECT_EQ(folder.console, "done > F002.BMP\n" + report_of(-201, "disc/MP1001.SEQ") +
                                  report_of(-201, "disc/ED_01.MAP") +
                                  report_of(-201, "disc/TITLE.SEQ"));
    EXPECT_EQ(folder.status, 255);
    EXPECT_TRUE(fs::exists("out/F002.BMP"));
    // Quiet: no done lines, the errors as before; options also apply to the dialogue.
    const program_run quiet = run_program("q\n", "--quiet -o deep/er");
    EXPECT_EQ(quiet.console, std::string(greeting) + later_groups_missing('q'));
    EXPECT_TRUE(fs::exists("deep/er/F001.BMP"));
}

TEST(CommandLine, JapaneseTextInTheTerminalsEncoding) {
    scratch_dir dir;
    const std::string no_file = std::string("Error!  ") + text_no_file.utf8 + "\n";
    EXPECT_TRUE(run_on_terminal("q").starts_with(no_file));
    EXPECT_TRUE(run_on_terminal("--encoding=shift-jis q").starts_with(report_of(-104, nullptr)));
    // Without a terminal, and in the run without arguments, the text stays Shift-JIS.
    EXPECT_TRUE(run_program("", "q").console.starts_with(report_of(-104, nullptr)));
    EXPECT_TRUE(run_program("", "--encoding=utf-8 q").console.starts_with(no_file));
}

TEST(CommandLine, StandardErrorSaysWhyADriveHeldNothing) {
    scratch_dir dir;
    fs::remove("q:");
    // Nothing where the drive letter leads (a machine with a /mnt/q is not this test's).
    if (!fs::exists("/mnt/q")) {
        const program_run none = run_program("q\n");
        EXPECT_EQ(none.console,
                  std::string(greeting) + report_of(-104, nullptr) + later_groups_missing('q'));
        EXPECT_EQ(none.errors, "quillmoor: no drive q: here: neither ./q: nor /mnt/q exists\n");
    }
    // A file that is no disc image.
    write_file("q:", bytes(100, 'x'));
    EXPECT_EQ(run_program("q\n").errors,
              "quillmoor: ./q: is a file, but no disc image this program can read\n");
    // A folder that holds an image but no disc files.
    fs::remove("q:");
    fs::create_directory("q:");
    write_file("q:/game.cue", bytes(10, 'x'));
    EXPECT_EQ(run_program("", "q").errors, "quillmoor: ./q: holds no disc files, but the disc "
                                           "image game.cue: quillmoor './q:/game.cue' reads it\n");
}

} // namespace
