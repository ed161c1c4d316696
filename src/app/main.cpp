#include "app/l10n.hpp"
#include "app/run.hpp"
#include "platform/heap.hpp"
#include "platform/output_folder.hpp"
#include "platform/terminal.hpp"

#include <csignal>

int main(int argc, char** argv) {
    hold_standard_streams();
    choose_message_language();
    keep_freed_heap();
#ifdef SIGXFSZ
    // A picture past the file size limit is a write that fails, reported as any other.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // A run stopped by the user or the system leaves no temporary file behind.
    remove_temporaries_on_stop();
    return quillmoor_main(argc, argv);
}
