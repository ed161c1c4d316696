// The program as the user meets it: typed input in, console text and exit status out.
#include "app/run.hpp"
#include "gfx/colour.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

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
};

// Runs the program in the current directory with `typed` as its whole standard input.
program_run run_program(const std::string& typed) {
    write_file("typed.txt", bytes(typed.begin(), typed.end()));
    const std::string command = std::string("\"") + QUILLMOOR_EXE + "\" < typed.txt > console.txt";
    const int raw = std::system(command.c_str());
    const bytes out = read_file("console.txt");
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000, std::string(out.begin(), out.end())};
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

} // namespace
