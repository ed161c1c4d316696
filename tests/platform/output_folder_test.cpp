// The output folder as a stop finds it: no temporary file is left, and the stop ends the
// process as it would have.
#include "platform/output_folder.hpp"

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
            std::string error;
            std::string temporary;
            std::string reason;
            const auto folder = open_output_folder(".", false, error);
            std::FILE* file =
                folder ? folder->create_temporary("F001.BMP", temporary, reason) : nullptr;
            if (file == nullptr || std::fputs("part of a picture", file) < 0 ||
                std::fflush(file) != 0) {
                _exit(no_file_made);
            }
            std::raise(s.signal);
            std::fclose(file);
            folder->discard(temporary);
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

} // namespace
