// The program: the dialogue or the command line, the run, and its reports.
#pragma once

// Without arguments: banner, prompt, drive letter, extraction. With them: the options and
// the source they name (options.hpp). Returns the exit status.
int quillmoor_main(int argc, const char* const* argv);
