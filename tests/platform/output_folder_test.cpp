// The output folder as a stop finds it: no temporary file is left, and the stop ends the
// process as it would have. A file of the folder sink is whole under its name or absent.
#include "platform/output_folder.hpp"

#include "encode/folder_sink.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// What a child tells by its exit status when the stop did not end it.
constexpr int no_file_made = 2;
constexpr int went_on = 3;

TEST(OutputFolder, AStopRemovesTheFileInTheMakingAndEndsTheProcessAsItWould) {
    scratch_dir dir;
    struct stop {
        int signal;
        bool ignored; // as nohup leaves SIGHUP
    };
    for (const stop s :
         {stop{SIGINT, false}, stop{SIGTERM, false}, stop{SIGHUP, false}, stop{SIGHUP, true}}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(s.signal, s.ignored ? SIG_IGN : SIG_DFL);
            remove_temporaries_on_stop();
            auto folder = output_folder::open(".");
            const result<temporary_file> made =
                folder ? folder.value()->create_temporary("F001.BMP") : folder.failure();
            if (!made || std::fputs("part of a picture", made->file) < 0 ||
                std::fflush(made->file) != 0) {
                _exit(no_file_made);
            }
            std::raise(s.signal);
            std::fclose(made->file);
            folder.value()->discard(made->name);
            _exit(went_on);
        }
        int raw = 0;
        ASSERT_EQ(waitpid(child, &raw, 0), child);
        if (s.ignored) {
            EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == went_on) << raw;
        } else {
            EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == s.signal) << s.signal << ": " << raw;
        }
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(".")) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(left, std::vector<std::string>{"q:"}) << s.signal;
    }
}

TEST(FolderSink, AFileIsWholeUnderItsNameOrLeavesNothing) {
    scratch_dir dir;
    const std::uint8_t part[] = {'B', 'M'};
    auto folder = output_folder::open(".");
    ASSERT_TRUE(folder);
    write_file("F001.BMP", bytes(10, 'o'));
    {
        folder_sink sink(*folder.value());
        // Begun, written in part, and given up (the sink dropped): nothing of it stays.
        const result<byte_sink> first = sink.begin("F002.BMP");
        ASSERT_TRUE(first);
        ASSERT_TRUE(put_bytes(*first, part, sizeof part));
        // Not to replace: what has the name stays, and the new file is gone.
        const result<byte_sink> second = sink.begin("F001.BMP");
        ASSERT_TRUE(second);
        ASSERT_TRUE(put_bytes(*second, part, sizeof part));
        const result<committed_file> kept = sink.commit(false, false);
        ASSERT_TRUE(kept);
        EXPECT_TRUE(kept->kept);
        EXPECT_EQ(read_file("F001.BMP"), bytes(10, 'o'));
        const result<byte_sink> third = sink.begin("F003.BMP");
        ASSERT_TRUE(third);
        ASSERT_TRUE(put_bytes(*third, part, sizeof part));
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(".")) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"F001.BMP", "q:"}));
}

} // namespace
