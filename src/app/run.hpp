// The program: the dialogue or the command line, the run, and its reports.
#pragma once

// What a run ends with, as the process's exit status.
enum class exit_status : int {
    success = 0,
    output_lost = 1, // standard output or the manifest did not arrive whole
    usage = 2,       // the command line, or the source it names, is refused
    // A group failed as a whole, or the dialogue's letter is no drive: the dialogue's -1, as
    // a process sees it.
    failed = 255,
};

// Without arguments: banner, prompt, drive letter, extraction. With them: the options and
// the source they name (options.hpp). Returns the exit status.
int quillmoor_main(int argc, const char* const* argv);
