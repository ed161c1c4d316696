// The console dialogue and the extraction run.
#pragma once

#include "app/errormes.hpp"

// Runs every picture group on the disc under root ("q:\") in their fixed order and
// returns the OR of their results: 0, or -1 when any group failed.
status run_extraction(const char* root);

// The whole program: banner, prompt, drive letter, extraction. Returns the exit status.
int quillmoor_main();
