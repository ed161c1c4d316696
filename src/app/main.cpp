#include "app/run.hpp"

#include <csignal>

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A picture past the file size limit is a write that fails, reported as any other.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    return quillmoor_main(argc, argv);
}
