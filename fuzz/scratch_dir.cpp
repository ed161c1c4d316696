#include "scratch_dir.hpp"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path scratch;
int scratch_fd = -1;
int home_fd = -1;

// The libFuzzer flags naming where a crash is written.
constexpr std::string_view artifact_flags[] = {"-artifact_prefix=", "-exact_artifact_path="};

[[noreturn]] void give_up(const char* what) {
    std::perror(what);
    std::abort();
}

void remove_scratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
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
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillmoor-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        give_up("quillmoor fuzz: scratch folder");
    }
    scratch = fs::absolute(pattern);
    std::atexit(remove_scratch);
    scratch_fd = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scratch_fd < 0 || home_fd < 0) {
        give_up("quillmoor fuzz: scratch folder");
    }
}

in_scratch_dir::in_scratch_dir() {
    // A folder removed under a running target would fail every write: say so, once.
    std::error_code error;
    if (!fs::is_directory(scratch, error) || fchdir(scratch_fd) != 0) {
        std::fprintf(stderr, "quillmoor fuzz: scratch folder %s is gone\n", scratch.c_str());
        std::abort();
    }
}

in_scratch_dir::~in_scratch_dir() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(".", ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
    if (fchdir(home_fd) != 0) {
        give_up("quillmoor fuzz: out of the scratch folder");
    }
}

void silence_stdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::abort();
    }
}
