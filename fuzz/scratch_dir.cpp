#include "scratch_dir.hpp"

#include "scratch_folder.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::unique_ptr<scratch_folder> scratch;

// The libFuzzer flags naming where a crash is written.
constexpr std::string_view artifact_flags[] = {"-artifact_prefix=", "-exact_artifact_path="};

[[noreturn]] void give_up(const char* what) {
    std::fprintf(stderr, "quillmoor fuzz: %s\n", what);
    std::abort();
}

void remove_scratch() {
    scratch.reset();
}

std::string absolute(std::string_view path) {
    if (path.empty() || path.front() == '/') {
        return std::string(path);
    }
    // Kept as text so that a trailing slash (an artifact folder) survives.
    return fs::current_path().string() + "/" + std::string(path);
}

// libFuzzer reads the arguments after its initialiser returns, so the copy it sees is ours.
// The default prefix goes first: a prefix given later still wins.
void point_artifacts_home(int* argc, char*** argv) {
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    args.emplace_back((*argv)[0]);
    args.push_back("-artifact_prefix=" + fs::current_path().string() + "/");
    for (int i = 1; i < *argc; ++i) {
        const std::string_view arg = (*argv)[i];
        std::string rewritten(arg);
        for (const std::string_view flag : artifact_flags) {
            if (arg.starts_with(flag)) {
                rewritten = std::string(flag) + absolute(arg.substr(flag.size()));
            }
        }
        args.push_back(std::move(rewritten));
    }
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    *argc = static_cast<int>(args.size());
    *argv = pointers.data();
}

} // namespace

void prepare_scratch_dir(int* argc, char*** argv) {
    point_artifacts_home(argc, argv);
    scratch = std::make_unique<scratch_folder>("fuzz");
    if (!scratch->made()) {
        give_up("no scratch folder");
    }
    std::atexit(remove_scratch);
}

const fs::path& scratch_path() {
    return scratch->path();
}

void empty_scratch_dir() {
    scratch->empty();
}

in_scratch_dir::in_scratch_dir(scratch_after after) : after_(after) {
    if (!scratch->enter()) {
        std::fprintf(stderr, "quillmoor fuzz: scratch folder %s is gone\n",
                     scratch->path().c_str());
        std::abort();
    }
}

in_scratch_dir::~in_scratch_dir() {
    if (after_ == scratch_after::emptied) {
        scratch->empty();
    }
    if (!scratch->leave()) {
        give_up("cannot leave the scratch folder");
    }
}

void hold_stdout() {
    std::FILE* held = std::tmpfile();
    if (held == nullptr || std::fflush(stdout) != 0 || dup2(fileno(held), STDOUT_FILENO) < 0) {
        give_up("cannot hold standard output");
    }
    std::fclose(held);
}

bool stdout_written() {
    struct stat st {};
    return std::fflush(stdout) != 0 || fstat(STDOUT_FILENO, &st) != 0 || st.st_size != 0;
}
