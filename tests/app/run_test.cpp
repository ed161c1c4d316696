// The program as the user meets it: typed input in, console text and exit status out.
#include "app/run.hpp"
#include "app/texts.hpp"
#include "encode/formats.hpp"
#include "extract/groups.hpp"
#include "image/chd/chd_built.hpp"
#include "platform/disc.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#if __has_include(<nlohmann/json.hpp>)
#include <nlohmann/json.hpp>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifndef QUILLMOOR_EXE
#error "QUILLMOOR_EXE names the program under test"
#endif
#ifndef CATALOGS_DIR
#error "CATALOGS_DIR names the build's catalogs of messages"
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
// the arguments as given (to the shell), after what `before` says (a shell's limit, a
// launcher).
program_run run_program(const std::string& typed, const std::string& arguments = "",
                        const std::string& before = "") {
    write_file("typed.txt", bytes(typed.begin(), typed.end()));
    const std::string command = before + "\"" + QUILLMOOR_EXE + "\" " + arguments +
                                " < typed.txt > console.txt 2> errors.txt";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000, text_of("console.txt"),
            text_of("errors.txt")};
}

// What runs the program as nobody when the tests run as the superuser, who writes anywhere;
// nothing otherwise. The current folder is opened to nobody. None where setpriv is missing.
std::optional<std::string> as_nobody() {
    if (geteuid() != 0) {
        return std::string();
    }
    if (std::system("command -v setpriv > /dev/null") != 0) {
        return std::nullopt;
    }
    fs::permissions(".", fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    return "setpriv --reuid=65534 --regid=65534 --clear-groups ";
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

#if __has_include(<nlohmann/json.hpp>)
// The document in the file; discarded (is_discarded()) when it does not parse.
nlohmann::json manifest_in(const std::string& path) {
    const bytes text = read_file(path);
    return nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
}

// The SHA-256 of each file in a folder, by name, as sha256sum tells it.
std::map<std::string, std::string> checksums_in(const std::string& folder) {
    EXPECT_EQ(std::system(("cd " + folder + " && sha256sum -- * > ../sums.txt").c_str()), 0);
    std::map<std::string, std::string> sums;
    std::istringstream lines(text_of("sums.txt"));
    for (std::string sum, file; lines >> sum >> file;) {
        sums[file] = sum;
    }
    return sums;
}
#endif

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

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    scratch_dir dir;
    for (const char* asked : {"--help", "-h", "-q --help"}) {
        const program_run r = run_program("", asked);
        EXPECT_EQ(r.status, 0) << asked;
        EXPECT_TRUE(r.console.starts_with("Usage: quillmoor [OPTION]... [SOURCE]\n")) << asked;
        EXPECT_NE(r.console.find(chd_images_built
                                     ? "\ndisc image (.iso, a raw .bin, a .cue sheet, a CloneCD "
                                       ".ccd, an Alcohol .mds, a\nNero .nrg, a .chd image) or, "
                                       "on Linux, a drive's device.\n"
                                     : "\ndisc image (.iso, a raw .bin, a .cue sheet, a CloneCD "
                                       ".ccd, an Alcohol .mds, a\nNero .nrg) or, on Linux, a "
                                       "drive's device.\n"),
                  std::string::npos)
            << asked;
        EXPECT_EQ(r.errors, "") << asked;
        // The groups --only takes come from the table, and the completion offers the same.
        EXPECT_NE(r.console.find("(F0*, EV_*) or\n"
                                 "                        whose group is named: faces, events, "
                                 "endings, title,\n"
                                 "                        sprites, cellmaps\n  -n, "),
                  std::string::npos)
            << r.console;
    }
    std::string words;
    for (const char* group : picture_group_names()) {
        words += (words.empty() ? "" : " ") + std::string(group);
    }
    std::ifstream completion(COMPLETION_SCRIPT);
    const std::string script{std::istreambuf_iterator<char>(completion), {}};
    EXPECT_NE(script.find("--only)\n        COMPREPLY=($(compgen -W '" + words + "' "),
              std::string::npos);
    std::string formats;
    for (const picture_format& f : picture_formats()) {
        formats += (formats.empty() ? "" : " ") + std::string(f.name);
    }
    EXPECT_NE(script.find("--format)\n        COMPREPLY=($(compgen -W '" + formats + "' "),
              std::string::npos);
    const program_run v = run_program("", "-V");
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(v.console.starts_with(
        std::string("quillmoor 1.02\ndisc images: ISO 9660 (.iso, a drive's device), raw "
                    "2352-byte (.bin), CUE sheets, CloneCD (.ccd), Alcohol 120% (.mds, .mdf)") +
        (chd_images_built ? ", Nero (.nrg) and CHD (.chd)\n" : " and Nero (.nrg)\n")))
        << v.console;
    // An answer that cannot be written is no success.
    const std::string full =
        std::string("\"") + QUILLMOOR_EXE + "\" --help > /dev/full 2> errors.txt";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
    EXPECT_EQ(text_of("errors.txt"), "quillmoor: cannot write standard output: No space left on "
                                     "device\n");
}

TEST(CommandLine, BadUsageIsOneLineOnStandardErrorAndStatusTwo) {
    scratch_dir dir;
    for (const char* wrong :
         {"--bogus", "-x", "q r", "no-such-folder", "-o", "--output", "--encoding=latin1", "-f gif",
          "--quiet=yes", "r", "--gallery=", "--gallery=pages/index.html", "--gallery=F001.png"}) {
        const program_run r = run_program("q\n", wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_EQ(r.console, "") << wrong;
        EXPECT_TRUE(r.errors.starts_with("quillmoor: ")) << wrong;
        EXPECT_TRUE(r.errors.ends_with(". Try 'quillmoor --help'.\n")) << wrong << r.errors;
        EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << wrong;
    }
    // A long option not known: the one most likely meant, if any is close; the options an
    // abbreviation could stand for.
    const std::pair<const char*, std::string> said[] = {
        {"--outptu=x", "unknown option '--outptu'; did you mean '--output'?"},
        {"--QUIET", "unknown option '--QUIET'; did you mean '--quiet'?"},
        {"--bogus", "unknown option '--bogus'."},
        {"--o=x", "option '--o' is ambiguous: '--output' or '--only'."},
    };
    for (const auto& [wrong, why] : said) {
        const program_run r = run_program("", wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_EQ(r.errors, "quillmoor: " + why + " Try 'quillmoor --help'.\n");
    }
}

TEST(CommandLine, SourceRunsKeepStandardOutputForTheirResults) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    fs::create_directory("disc");
    write_file("disc/F002.SPR", one_portrait());
    // A drive letter in any of its forms, a folder; messages name files as they were given.
    for (const char* source : {"q", "Q:", "q:\\\\"}) {
        const program_run r = run_program("", source);
        EXPECT_EQ(r.console, "done > F001.BMP\n") << source;
        EXPECT_TRUE(r.errors.starts_with(later_groups_missing(source[0]))) << source;
    }
    // The failures' lines, the summary and a line for each group that failed as a whole,
    // with the pictures it did not make, all on standard error.
    const program_run folder = run_program("", "-o out disc");
    EXPECT_EQ(folder.console, "done > F002.BMP\n");
    EXPECT_TRUE(folder.errors.starts_with(
        report_of(-201, "disc/MP1001.SEQ") + report_of(-201, "disc/ED_01.MAP") +
        report_of(-201, "disc/TITLE.SEQ") +
        "quillmoor: 1 picture written to out (BMP), 3 failed\n"
        "quillmoor: the events group failed as a whole: 28 pictures not made (OP_ARLE, EV1001, "
        "EV_01, "))
        << folder.errors;
    EXPECT_NE(folder.errors.find("\nquillmoor: the endings group failed as a whole: 8 pictures "
                                 "not made (ED_02, "),
              std::string::npos);
    EXPECT_NE(folder.errors.find("\nquillmoor: the title group failed as a whole: 41 pictures "
                                 "not made (TITLELOG, TITLEBG, DM_RULU, "),
              std::string::npos);
    EXPECT_EQ(folder.status, 255);
    EXPECT_TRUE(fs::exists("out/F002.BMP"));
    // Quiet: no done lines and no summary; the failures are still told. Options also apply
    // to the dialogue, whose console keeps its failures' lines.
    const program_run quiet_source = run_program("", "-q -o out disc");
    EXPECT_EQ(quiet_source.console, "");
    EXPECT_TRUE(quiet_source.errors.starts_with(
        report_of(-201, "disc/MP1001.SEQ") + report_of(-201, "disc/ED_01.MAP") +
        report_of(-201, "disc/TITLE.SEQ") + "quillmoor: the events group failed"));
    const program_run quiet = run_program("q\n", "--quiet -o deep/er");
    EXPECT_EQ(quiet.console, std::string(greeting) + later_groups_missing('q'));
    EXPECT_TRUE(fs::exists("deep/er/F001.BMP"));
}

TEST(CommandLine, JapaneseTextInTheLocalesEncoding) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    const std::string utf8_prompt = std::string(text_prompt.utf8) + "\n";
    const std::string not_found = std::string("Error!  ") + text_not_found.utf8 + "> q:\\";
    // A UTF-8 locale gets UTF-8 in every run, the dialogue too, to a pipe as to a terminal.
    const program_run dialogue = run_program("q\n", "", "LC_ALL=C.UTF-8 ");
    EXPECT_NE(dialogue.console.find(utf8_prompt), std::string::npos);
    EXPECT_NE(dialogue.console.find(not_found), std::string::npos);
    EXPECT_NE(run_on_terminal("q").find(not_found), std::string::npos);
    EXPECT_NE(run_on_terminal("").find(utf8_prompt), std::string::npos);
    // The C locale gets the program's own Shift-JIS bytes, and --encoding has the last word.
    EXPECT_EQ(run_program("q\n").console,
              std::string(greeting) + "done > F001.BMP\n" + later_groups_missing('q'));
    EXPECT_NE(run_on_terminal("--encoding=shift-jis q").find(later_groups_missing('q')),
              std::string::npos);
    EXPECT_TRUE(run_program("", "--encoding=utf-8 q").errors.starts_with(not_found));
    // Another set that carries Japanese gets the texts converted into it.
    if (std::system("mkdir -p locales && localedef -i ja_JP -f EUC-JP locales/ja_JP.EUC-JP "
                    "> /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no EUC-JP locale can be made here";
    }
    const program_run euc = run_program("", "q", "LOCPATH=locales LC_ALL=ja_JP.EUC-JP ");
    // ファイルが見つかりません。 in EUC-JP
    EXPECT_TRUE(euc.errors.starts_with("Error!  \xa5\xd5\xa5\xa1\xa5\xa4\xa5\xeb\xa4\xac\xb8"
                                       "\xab\xa4\xc4\xa4\xab\xa4\xea\xa4\xde\xa4\xbb\xa4\xf3"
                                       "\xa1\xa3> q:\\MP1001.SEQ\n"))
        << euc.errors;
}

TEST(CommandLine, MessagesInTheReadersLanguage) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    if (!fs::exists(std::string(CATALOGS_DIR) + "/en/LC_MESSAGES/quillmoor.mo")) {
        GTEST_SKIP() << "no English catalog: this build was made without msgfmt";
    }
    if (std::system("mkdir -p locales && localedef -i en_US -f UTF-8 locales/en_US.UTF-8 && "
                    "localedef -i ja_JP -f UTF-8 locales/ja_JP.UTF-8 > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no en_US.UTF-8 or ja_JP.UTF-8 locale can be made here";
    }
    // Each run names its locale alone, none of the tests' own (LC_ALL=C) left over.
    const std::string in = std::string("env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE "
                                       "LOCPATH=locales TEXTDOMAINDIR=") +
                           CATALOGS_DIR + " ";
    // English: the Error! lines, the diagnostics and the done lines alike, the dialogue too.
    for (const char* english : {"LANGUAGE=en LANG=en_US.UTF-8 ", "LC_ALL=en_US.UTF-8 ",
                                "LANG=ja_JP.UTF-8 LC_MESSAGES=en_US.UTF-8 "}) {
        const program_run run = run_program("", "q", in + english);
        EXPECT_EQ(run.console, "done > F001.BMP\n") << english;
        EXPECT_TRUE(run.errors.starts_with("Error!  File not found. > q:\\MP1001.SEQ\n"))
            << english << run.errors;
        EXPECT_NE(run.errors.find("quillmoor: 1 picture written to . (BMP), 3 failed\n"),
                  std::string::npos)
            << run.errors;
        const program_run dialogue = run_program("1\n", "", in + english);
        EXPECT_EQ(dialogue.console, "Quillmoor -SegaSaturn-  Image Extractor v1.02\n\n"
                                    "Type the letter of the drive that holds the game disc.\n"
                                    "drive letter >\nError!  The drive is not valid.\n");
    }
    // The C locale and a Japanese one keep the program's own bytes, whatever LANGUAGE says.
    const program_run own = run_program("q\n", "", in + "LC_ALL=C ");
    EXPECT_EQ(run_program("q\n", "", in + "LANGUAGE=en LC_ALL=C ").console, own.console);
    EXPECT_EQ(own.console, std::string(greeting) + "done > F001.BMP\n" + later_groups_missing('q'));
    const program_run utf8 = run_program("q\n", "", in + "LC_ALL=C.UTF-8 ");
    for (const char* japanese : {"LANG=ja_JP.UTF-8 ", "LC_ALL=ja_JP.UTF-8 LANGUAGE=ja:en "}) {
        const program_run run = run_program("q\n", "", in + japanese);
        EXPECT_EQ(run.console, utf8.console) << japanese;
        EXPECT_EQ(run.errors, utf8.errors) << japanese;
    }
}

// The loop device of the highest number that is bound to no file and may be read; empty
// when there is none.
std::string idle_loop_device() {
    std::string found;
    int highest = -1;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
        const std::string name = entry.path().filename().string();
        const std::string device = "/dev/" + name;
        if (!name.starts_with("loop") || text_of((entry.path() / "size").c_str()) != "0\n" ||
            access(device.c_str(), R_OK) != 0) {
            continue;
        }
        if (const int number = std::atoi(name.c_str() + 4); number > highest) {
            highest = number;
            found = device;
        }
    }
    return found;
}

TEST(CommandLine, StandardErrorSaysWhyThereIsNoDisc) {
    scratch_dir dir;
    fs::remove("q:");
    const std::string looked_for = " (F*.SPR, MP1001.SEQ, ED_01.MAP, TITLE.SEQ)";
    // Nothing where the drive letter leads (a machine with a /mnt/q is not this test's); a
    // folder of the letter's name is what was most likely meant.
    if (!fs::exists("/mnt/q")) {
        fs::create_directory("q");
        const program_run none = run_program("q\n");
        EXPECT_EQ(none.console,
                  std::string(greeting) + report_of(-104, nullptr) + later_groups_missing('q'));
        EXPECT_EQ(none.errors, "quillmoor: no drive q: here: neither ./q: nor /mnt/q exists (the "
                               "folder q is written ./q)\n");
        EXPECT_EQ(run_program("", "q").status, 2);
    }
    // What stands at ./q: is named, whatever it is.
    const std::pair<std::function<void()>, std::string> drives[] = {
        {[] { ASSERT_EQ(mkfifo("q:", 0600), 0); },
         "./q: is a pipe, neither a folder nor a disc image"},
        {[] { fs::create_symlink("gone", "q:"); }, "./q: is a link to nothing"},
        {[] { fs::create_symlink("q:", "q:"); }, "./q: is a link that leads round in a loop"},
        {[] { write_file("q:", bytes(100, 'x')); },
         "./q: is a file, but no disc image this program can read"},
        {[] { fs::create_directory("q:"); }, "./q: holds none of the disc's files" + looked_for},
        {[] {
             fs::create_directory("q:");
             write_file("q:/game.cue", bytes(10, 'x'));
         },
         "./q: holds none of the disc's files" + looked_for +
             ", but the disc image game.cue: quillmoor './q:/game.cue' reads it"},
    };
    for (const auto& [make, why] : drives) {
        fs::remove_all("q:");
        make();
        const program_run r = run_program("q\n");
        EXPECT_EQ(r.status, 255) << why;
        EXPECT_EQ(r.errors, "quillmoor: " + why + "\n");
    }
    // A source named on the command line that is no disc ends the run at once, one way for
    // every kind of file: a folder of other files and an image of another disc among them.
    fs::create_directory("photos");
    write_file("photos/beach.jpg", bytes(100, 'x'));
#ifdef XORRISO_EXE
    ASSERT_EQ(std::system((std::string(XORRISO_EXE) + " -as mkisofs -quiet -o photos.iso photos "
                                                      "> /dev/null 2>&1")
                              .c_str()),
              0);
#endif
    write_file("music.cue", bytes{'F', 'I', 'L', 'E', ' ', 'a', ' ', 'W', 'A', 'V', 'E', '\n', 'T',
                                  'R', 'A', 'C', 'K', ' ', '1', ' ', 'A', 'U', 'D', 'I', 'O'});
    const std::string sheet = "FILE track.bin BINARY\nTRACK 1 MODE1/2352\nINDEX 1 00:00:00\n";
    write_file("game.cue", bytes(sheet.begin(), sheet.end()));
    write_file("notes.txt", bytes(100, 'x'));
    // Sheets that are sheets but cannot be read: their text, or where their track starts.
    const auto put_sheet = [](const char* name, const std::string& text) {
        write_file(name, bytes(text.begin(), text.end()));
    };
    put_sheet("nul.cue", std::string("FILE a.bin BINARY\n\0", 19));
    put_sheet("wide.cue", std::string("\xFF\xFE"
                                      "F\0I\0L\0E\0 \0a\0",
                                      14));
    put_sheet("wide-be.cue", std::string("\0 \0F\0I\0L\0E", 10));
    put_sheet("late.cue", "FILE short.bin BINARY\nTRACK 1 MODE1/2352\nINDEX 1 00:02:00\n");
    write_file("short.bin", bytes(1000, 0));
    // A second holds frames 0 to 74: an INDEX at frame 75 is no time and starts no track.
    put_sheet("frame.cue", "FILE short.bin BINARY\nTRACK 1 MODE1/2352\nINDEX 1 00:00:75\n");
    // A name the terminal would turn around: shown as the bytes it is.
    put_sheet("bidi.cue",
              "FILE \xE2\x80\xAEnib.bin BINARY\nTRACK 1 MODE1/2352\nINDEX 1 00:00:00\n");
    // Frames that tell no format, named as Alcohol's; a Nero footer that points past its end.
    write_file("lonely.mdf", bytes(40000, 0));
    const std::string footer = std::string("NER5\0\0\0\0\0\1\0\0", 12);
    write_file("cut.nrg", bytes(footer.begin(), footer.end()));
    fs::create_symlink("loop", "loop");
    const std::string long_name(300, 'x');
    const std::string wide =
        " is a CUE sheet in UTF-16, which this program does not read: UTF-8 or "
        "ASCII needed";
    const std::pair<std::string, std::string> sources[] = {
        {"music.cue", "music.cue has no data track"},
        {"game.cue", "game.cue names track.bin, which is missing"},
        {"notes.txt", "notes.txt is a file, but no disc image this program can read"},
        {"/dev/null", "/dev/null is a character device, neither a folder nor a disc image"},
        {"photos", "photos holds none of the disc's files" + looked_for},
#ifdef XORRISO_EXE
        {"photos.iso", "photos.iso holds none of the disc's files" + looked_for},
#endif
        {"nul.cue", "nul.cue is a CUE sheet with a NUL byte in it"},
        {"wide.cue", "wide.cue" + wide},
        {"wide-be.cue", "wide-be.cue" + wide},
        {"late.cue", "late.cue starts its data track at byte 352800 of short.bin, which ends at "
                     "byte 1000"},
        {"frame.cue", "frame.cue has no data track"},
        {"bidi.cue", "bidi.cue names \\xe2\\x80\\xaenib.bin, which is missing"},
        {"lonely.mdf", "lonely.mdf names lonely.mds, which is missing"},
        {"cut.nrg", "cut.nrg is a damaged Nero image: its tables do not check"},
        {"loop", "loop is a link that leads round in a loop"},
        {long_name, "cannot open '" + long_name + "': File name too long"},
        {"notes.txt/", "cannot open 'notes.txt/': Not a directory"},
    };
    for (const auto& [source, why] : sources) {
        const program_run r = run_program("", "-o out " + source);
        EXPECT_EQ(r.status, 2) << source;
        EXPECT_EQ(r.console, "") << source;
        EXPECT_EQ(r.errors, "quillmoor: " + why + ". Try 'quillmoor --help'.\n");
    }
    // A drive's device with no disc in it, where the machine lets a loop device bound to no
    // file stand in (the last one, which others bind last).
    if (const std::string idle = idle_loop_device(); !idle.empty()) {
        EXPECT_EQ(run_program("", idle).errors,
                  "quillmoor: " + idle + " holds no disc. Try 'quillmoor --help'.\n");
    }
    ASSERT_EQ(mkfifo("track.bin", 0600), 0);
    EXPECT_EQ(
        run_program("", "game.cue").errors,
        "quillmoor: game.cue names track.bin, which is not a file. Try 'quillmoor --help'.\n");
    // Nothing was made for the pictures of a source that never opened.
    EXPECT_FALSE(fs::exists("out"));
}

// The sample disc, made once for the suite: its folder, and the names of the pictures it
// gives (portraits first, then by group, as the run makes them).
class SampleDiscOptions : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        sample_ = std::make_unique<scratch_folder>("sample");
        const std::string make = std::string("\"") + MAKE_SAMPLE_DISC + "\" \"" +
                                 sample_->path().string() + "/s\" > /dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    static void TearDownTestSuite() { sample_.reset(); }

    static std::string disc() { return "\"" + disc_folder().string() + "\""; }
    // The pictures the disc gives, as its maker describes them.
    static std::size_t pictures() { return sample_picture_count(sample_->path() / "s"); }
    static std::string count() { return std::to_string(pictures()); }
    static fs::path disc_folder() { return sample_->path() / "s" / "disc"; }
    static std::vector<std::string> expected_pictures(const std::string& starting) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(sample_->path() / "s" / "expected")) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".BMP") && name.starts_with(starting)) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    static std::unique_ptr<scratch_folder> sample_;
};
std::unique_ptr<scratch_folder> SampleDiscOptions::sample_;

// The pictures in a folder, by name.
std::vector<std::string> pictures_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::size_t lines_of(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// What a group lists of a disc is what its maker put there: every picture, made of its files.
TEST_F(SampleDiscOptions, GroupsListEveryPictureWithTheFilesItIsMadeOf) {
    std::map<std::string, std::set<std::string>> described; // picture: its files
    std::ifstream manifest(disc_folder().parent_path() / "expected" / "manifest.txt");
    for (std::string line; std::getline(manifest, line);) {
        std::istringstream words(line);
        std::string picture;
        std::string group;
        words >> picture >> group;
        std::set<std::string>& files = described[picture.substr(0, picture.rfind('.'))];
        for (std::string file; words >> file;) {
            files.insert(file);
        }
    }
    const result<std::unique_ptr<::disc>> source = open_source(disc_folder().string());
    ASSERT_TRUE(source.ok());
    const std::vector<listed_picture> listed = disc_pictures(**source);
    EXPECT_EQ(listed.size(), described.size());
    for (const listed_picture& p : listed) {
        EXPECT_EQ(std::set<std::string>(p.sources.begin(), p.sources.end()), described[p.name])
            << p.name;
    }
}

TEST_F(SampleDiscOptions, ListingDecodesEverythingAndWritesNothing) {
    scratch_dir dir;
    const program_run r = run_program("", "-l -o never " + disc());
    EXPECT_EQ(r.status, 0);
    // A head of two lines, a row a picture, a foot of two; every row names its picture.
    EXPECT_EQ(lines_of(r.console), pictures() + 4);
    EXPECT_NE(r.console.find("\n    80 x 80    24  faces     F001.BMP\n"), std::string::npos);
    EXPECT_NE(r.console.find("\n  352 x 240     8  events    EV_27.BMP\n"), std::string::npos);
    EXPECT_TRUE(r.console.ends_with(count() + " pictures\n"));
    EXPECT_EQ(r.errors, "quillmoor: " + count() + " pictures listed, 0 failed\n");
    EXPECT_EQ(pictures_in("."),
              (std::vector<std::string>{"console.txt", "errors.txt", "q:", "typed.txt"}));
    // Rows that never arrive are a failure of the run, never "0 failed".
    const std::string full =
        std::string("\"") + QUILLMOOR_EXE + "\" -l " + disc() + " > /dev/full 2> errors.txt";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
    EXPECT_EQ(text_of("errors.txt"), "quillmoor: cannot write standard output: No space left on "
                                     "device\nquillmoor: " +
                                         count() + " pictures listed, 1 failed\n");
}

TEST_F(SampleDiscOptions, OnlyTakesThePicturesNamedAndTheGroupsNamed) {
    scratch_dir dir;
    const program_run faces = run_program("", "--only='F*' -o faces " + disc());
    EXPECT_EQ(faces.status, 0);
    std::vector<std::string> portraits = expected_pictures("F");
    const std::vector<std::string> lower = expected_pictures("f");
    portraits.insert(portraits.end(), lower.begin(), lower.end());
    EXPECT_EQ(pictures_in("faces"), portraits);
    // No other group runs, so none of their files is missed.
    EXPECT_EQ(lines_of(faces.console), portraits.size());
    const program_run endings = run_program("", "--only=endings,ED_0? -o endings " + disc());
    EXPECT_EQ(pictures_in("endings"), expected_pictures("ED_"));
    EXPECT_EQ(endings.errors, "quillmoor: 9 pictures written to endings (BMP), 0 failed\n");
    // A pattern that takes no picture of the disc and names no group is a mistake, told
    // before anything is made.
    const program_run face = run_program("", "--only=endings,face -o face " + disc());
    EXPECT_EQ(face.status, 2);
    EXPECT_NE(face.errors.find("'faces'"), std::string::npos) << face.errors;
    EXPECT_FALSE(fs::exists("face"));
}

TEST_F(SampleDiscOptions, NoClobberRewritesNothing) {
    scratch_dir dir;
    ASSERT_EQ(run_program("", "-q -o out " + disc()).status, 0);
    write_file("out/EV_01.BMP", bytes(10, 'x'));
    const program_run again = run_program("", "-n -o out " + disc());
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.console, "");
    EXPECT_EQ(again.errors,
              "quillmoor: 0 pictures written to out (BMP), " + count() + " skipped, 0 failed\n");
    EXPECT_EQ(read_file("out/EV_01.BMP"), bytes(10, 'x'));
}

TEST_F(SampleDiscOptions, GalleryIsAPageOfThePicturesInTheirFolder) {
    scratch_dir dir;
    const auto figures = [](const std::string& page) {
        std::size_t n = 0;
        for (std::size_t at = page.find("<figure>"); at != std::string::npos;
             at = page.find("<figure>", at + 1)) {
            ++n;
        }
        return n;
    };
    ASSERT_EQ(run_program("", "-q --gallery --manifest=m.json -o out " + disc()).status, 0);
    const std::string page = text_of("out/index.html");
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_EQ(figures(page), pictures());
    std::vector<std::string> made = expected_pictures("");
    made.push_back("index.html");
    std::sort(made.begin(), made.end());
    EXPECT_EQ(pictures_in("out"), made); // and nothing in the making left
#if __has_include(<nlohmann/json.hpp>)
    EXPECT_EQ(manifest_in("m.json")["gallery"], "index.html");
#endif
    // Kept pictures show too, and an earlier page is replaced; a listing makes none.
    ASSERT_EQ(run_program("", "-q -n --gallery -o out " + disc()).status, 0);
    const std::string again = text_of("out/index.html");
    EXPECT_EQ(figures(again), pictures());
    EXPECT_NE(again.find(", kept from before</figcaption>"), std::string::npos);
    ASSERT_EQ(run_program("", "-l --gallery -o listed " + disc()).status, 0);
    EXPECT_FALSE(fs::exists("listed"));
    // Never in place of the manifest or of a file that is no page, told before the run.
    fs::create_directory("mine");
    write_file("mine/index.html", bytes(4, 'x'));
    const program_run mine = run_program("", "--gallery -o mine " + disc());
    EXPECT_EQ(mine.status, 2);
    EXPECT_EQ(mine.errors, "quillmoor: 'mine/index.html' is no gallery of this program: it is "
                           "left as it is. Try 'quillmoor --help'.\n");
    EXPECT_EQ(pictures_in("mine"), std::vector<std::string>{"index.html"});
    const program_run both =
        run_program("", "--gallery=m.json --manifest=out/m.json -o out " + disc());
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.errors.find("would take the manifest's place"), std::string::npos)
        << both.errors;
    // A page this user may not write stays as it was, and the run says so: a failure.
    dir.put_disc_file("F001.SPR", one_portrait());
    const std::optional<std::string> as_user = as_nobody();
    if (!as_user) {
        GTEST_SKIP() << "running as root without setpriv";
    }
    fs::permissions("out", fs::perms::others_all, fs::perm_options::add);
    fs::permissions("out/index.html", fs::perms::owner_read | fs::perms::others_read);
    const program_run locked = run_program("", "-q -n --only=F001 --gallery -o out q", *as_user);
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.errors, "quillmoor: cannot write out/index.html: Permission denied\n");
    EXPECT_EQ(text_of("out/index.html"), again);
}

#if __has_include(<nlohmann/json.hpp>)
TEST_F(SampleDiscOptions, ManifestIsAnInventoryOfTheRun) {
    scratch_dir dir;
    // The sample disc without TITLE.SEQ: the title group fails as a whole.
    fs::create_directory("notitle");
    for (const auto& entry : fs::directory_iterator(disc_folder())) {
        if (entry.path().filename() != "TITLE.SEQ") {
            fs::create_symlink(entry.path(), "notitle" / entry.path().filename());
        }
    }
    const program_run r = run_program("", "-q --manifest=m.json -o out notitle");
    EXPECT_EQ(r.status, 255);
    const nlohmann::json m = manifest_in("m.json");
    ASSERT_FALSE(m.is_discarded());
    EXPECT_EQ(m["format"], "quillmoor-manifest");
    EXPECT_EQ(m["format_version"], 2);
    EXPECT_EQ(m["source"], "notitle");
    EXPECT_EQ(m["source_path"], fs::absolute("notitle").string());
    EXPECT_EQ(m["output_path"], fs::absolute("out").string());
    EXPECT_EQ(m["gallery"], nullptr); // none asked for
    // Every picture written, with the checksum of its file.
    const std::map<std::string, std::string> sums = checksums_in("out");
    EXPECT_EQ(m["pictures"].size(), 43u);
    EXPECT_EQ(sums.size(), 43u);
    for (const auto& picture : m["pictures"]) {
        const auto sum = sums.find(picture["file"].get<std::string>());
        ASSERT_NE(sum, sums.end()) << picture;
        EXPECT_EQ(picture["sha256"], sum->second) << picture;
        EXPECT_EQ(picture["bytes"], fs::file_size("out/" + sum->first));
    }
    // The failure that stopped the title group: its kind, its reason in English, the line
    // the console showed, and every picture it cost.
    ASSERT_EQ(m["failures"].size(), 1u);
    const nlohmann::json& failure = m["failures"][0];
    EXPECT_EQ(failure["kind"], "file_not_found");
    EXPECT_EQ(failure["reason"], "cannot open notitle/TITLE.SEQ");
    EXPECT_EQ(failure["console"],
              std::string(text_not_found.utf8) + "> notitle/TITLE.SEQ"); // as UTF-8
    EXPECT_EQ(failure["pictures"].size(), 41u);
    EXPECT_EQ(failure["pictures"][0], "TITLELOG");
    EXPECT_EQ(failure["pictures"][40], "DM_ARCB2");
    EXPECT_EQ(m["groups_failed"], nlohmann::json::array({"title"}));
    // A failure the console has no line for has a kind of its own and no console line; the
    // pictures --only took from a cell map's row are all it cost.
    fs::create_directory("deep");
    bytes sixteen_bit_cells(8192, 0);
    sixteen_bit_cells[1] = 0x04; // a character number in units of 16-bit cells
    write_file("deep/DM_SHEE1.MAP", sixteen_bit_cells);
    for (const auto& entry : fs::directory_iterator(disc_folder())) {
        if (!fs::exists("deep" / entry.path().filename())) {
            fs::create_symlink(entry.path(), "deep" / entry.path().filename());
        }
    }
    ASSERT_EQ(run_program("", "-q --only=DM_SHEE1_1,DM_SHEE1_3 --manifest=s.json -o s deep").status,
              0);
    const nlohmann::json s = manifest_in("s.json");
    ASSERT_EQ(s["failures"].size(), 1u) << s;
    EXPECT_EQ(s["failures"][0]["kind"], "wrong_depth");
    EXPECT_EQ(s["failures"][0]["console"], nullptr);
    EXPECT_EQ(s["failures"][0]["pictures"], nlohmann::json::array({"DM_SHEE1_1", "DM_SHEE1_3"}));
}
#endif

#if __has_include(<nlohmann/json.hpp>)
TEST_F(SampleDiscOptions, ManifestNeverTakesWhatTheRunReadsOrTheUserKeeps) {
    scratch_dir dir;
    const auto refused = [](const program_run& r, const std::string& why) {
        EXPECT_EQ(r.status, 2) << why;
        EXPECT_EQ(r.errors, "quillmoor: " + why + ". Try 'quillmoor --help'.\n");
    };
    // A file the user keeps, in the dialogue too (the "=" and the source forgotten): the
    // prompt is never reached.
    write_file("game.cue", bytes(10, 'g'));
    refused(run_program("1\n", "--manifest game.cue"),
            "'game.cue' is no manifest of this program: it is left as it is");
    EXPECT_EQ(read_file("game.cue"), bytes(10, 'g'));
    // A folder, before any picture is made; a picture's name in the pictures' folder.
    fs::create_directory("m");
    refused(run_program("", "--manifest=m -o out " + disc()), "the manifest 'm' is a folder");
    EXPECT_FALSE(fs::exists("out"));
    refused(run_program("", "-n --manifest=out/F001.BMP -o out " + disc()),
            "the manifest 'out/F001.BMP' would take the name of a picture");
    // An image that opens as a manifest would still be the file the disc is read from.
#ifdef XORRISO_EXE
    ASSERT_EQ(std::system(("\"" XORRISO_EXE "\" -as mkisofs -quiet -o disc.iso " + disc() +
                           " > /dev/null 2>&1 && \"" RAW_IMAGER_EXE
                           "\" disc.iso disc.bin disc.cue 1 > /dev/null")
                              .c_str()),
              0);
    const bytes image = read_file("disc.bin");
    refused(run_program("", "-q --manifest=disc.bin disc.cue"),
            "'disc.bin' is no manifest of this program: it is left as it is");
    const std::string opening = "{\n  \"format\": \"quillmoor-manifest\"";
    std::FILE* iso = std::fopen("disc.iso", "r+b");
    ASSERT_NE(iso, nullptr);
    std::fwrite(opening.data(), 1, opening.size(), iso);
    std::fclose(iso);
    const bytes crafted = read_file("disc.iso");
    refused(run_program("", "-q --manifest=disc.iso disc.iso"),
            "the manifest 'disc.iso' is a file the disc is read from");
    EXPECT_EQ(read_file("disc.iso"), crafted);
    EXPECT_EQ(read_file("disc.bin"), image);
#endif
    // Standard output carries the manifest alone; "-o" is made before the manifest in it.
    const program_run out = run_program("", "--manifest=- -o new " + disc());
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(manifest_in("console.txt")["counts"]["written"], pictures());
    EXPECT_EQ(run_program("", "-q --manifest=new/m.json -o new " + disc()).status, 0);
    EXPECT_EQ(manifest_in("new/m.json")["counts"]["written"], pictures());
    // A link stays, what it leads to holds the document; a pipe gets it whole.
    fs::create_symlink("kept.json", "link.json");
    EXPECT_EQ(run_program("", "-q --manifest=link.json -o new " + disc()).status, 0);
    EXPECT_TRUE(fs::is_symlink("link.json"));
    EXPECT_EQ(manifest_in("kept.json")["counts"]["written"], pictures());
    ASSERT_EQ(mkfifo("pipe.json", 0600), 0);
    EXPECT_EQ(run_program("", "-q --manifest=pipe.json -o new " + disc(),
                          "(cat pipe.json > piped.json &); ")
                  .status,
              0);
    // The reader may still be writing what it read.
    for (int wait = 0; wait < 100 && manifest_in("piped.json").is_discarded(); ++wait) {
        usleep(50'000);
    }
    EXPECT_EQ(manifest_in("piped.json")["counts"]["written"], pictures());
}
#endif

TEST_F(SampleDiscOptions, WritesThatFailSayWhichFileAndWhy) {
    scratch_dir dir;
    fs::create_directories("out/F001.BMP");
    const program_run r = run_program("", "-o out " + disc());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, report_of(-602, "bmp_out") +
                            "quillmoor: cannot write out/F001.BMP: Is a directory\n"
                            "quillmoor: 83 pictures written to out (BMP), 1 failed\n");
    // Past the file size limit a write fails like any other: no picture is cut short.
    const program_run limited = run_program("", "-q -o small " + disc(), "ulimit -f 100; ");
    EXPECT_EQ(limited.status, 255); // the first ending fails, and so its group
    std::size_t whole = 0;
    for (const std::string& name : pictures_in("small")) {
        const bytes picture = read_file("small/" + name);
        ASSERT_GE(picture.size(), 6u) << name;
        EXPECT_EQ(le32_at(picture, 2), picture.size()) << name;
        ++whole;
    }
    EXPECT_GT(whole, 0u);
    EXPECT_LT(whole, 84u);
}

TEST_F(SampleDiscOptions, WhatThisUserMayNotWriteIsRefusedAndLeftAsItIs) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    fs::create_directory("locked");
    fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    // The superuser writes anywhere: the program is run as nobody, where that can be done.
    const std::optional<std::string> as_user = as_nobody();
    if (!as_user) {
        GTEST_SKIP() << "running as root without setpriv";
    }
    const program_run r = run_program("", "-o locked q", *as_user);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.console, "");
    EXPECT_EQ(r.errors, "quillmoor: cannot write into the output folder 'locked': Permission "
                        "denied. Try 'quillmoor --help'.\n");
    // Without -o, the current folder is refused the same way.
    const int here = std::system(("cd locked && " + *as_user + "\"" + QUILLMOOR_EXE +
                                  "\" ../q: > ../console.txt 2> ../errors.txt")
                                     .c_str());
    EXPECT_EQ(WEXITSTATUS(here), 2);
    EXPECT_EQ(text_of("errors.txt"), "quillmoor: cannot write into the output folder '.': "
                                     "Permission denied. Try 'quillmoor --help'.\n");
    // A picture's file that this user may not write keeps its bytes, as an open for writing
    // would leave it, though the folder would let a rename replace it.
    fs::create_directory("open");
    fs::permissions("open", fs::perms::all);
    write_file("open/F001.BMP", bytes(10, 'k'));
    fs::permissions("open/F001.BMP",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const program_run kept = run_program("", "-o open q", *as_user);
    EXPECT_EQ(kept.console, "");
    EXPECT_TRUE(kept.errors.starts_with(
        report_of(-602, "bmp_out") + "quillmoor: cannot write open/F001.BMP: Permission denied\n" +
        later_groups_missing('q') + "quillmoor: 0 pictures written to open (BMP), 4 failed\n"))
        << kept.errors;
    EXPECT_EQ(read_file("open/F001.BMP"), bytes(10, 'k'));
    EXPECT_EQ(pictures_in("open"), std::vector<std::string>{"F001.BMP"});
}

TEST(CommandLine, TwoFilesThatGiveOneNameLeaveTheFirstOnesPicture) {
    scratch_dir dir;
    dir.put_disc_file("F001.SPR", one_portrait());
    bytes other = one_portrait();
    other[1] = 0x00;
    dir.put_disc_file("F001.spr", other);
    // Names that differ in case alone are one file where the folder ignores case.
    dir.put_disc_file("f001.SPR", other);
    const program_run r = run_program("", "-o out q");
    EXPECT_EQ(r.console, "done > F001.BMP\n");
    EXPECT_TRUE(r.errors.starts_with(
        "quillmoor: F001.spr also gives F001.BMP: left out, the first picture of that name "
        "stays\n"
        "quillmoor: f001.SPR also gives f001.BMP: left out, the first picture of that name "
        "stays\n" +
        later_groups_missing('q') +
        "quillmoor: 1 picture written to out (BMP), 2 skipped, 3 failed\n"))
        << r.errors;
    EXPECT_EQ(pictures_in("out"), std::vector<std::string>{"F001.BMP"});
    const bytes picture = read_file("out/F001.BMP");
    EXPECT_EQ(picture[54 + 240 * 79 + 2], 248); // red, as the top left word of F001.SPR says
}

} // namespace
