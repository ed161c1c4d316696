// The console dialogue and the extraction run.
#pragma once

#include "app/errormes.hpp"

class disc;

// Runs every picture group on the disc in their fixed order and returns the OR of their
// results: 0, or -1 when any group failed.
status run_extraction(const disc& source);

// The whole program. Without arguments: banner, prompt, drive letter, extraction. With
// them: the options and the source they name (options.hpp). Returns the exit status.
int quillmoor_main(int argc, const char* const* argv);
