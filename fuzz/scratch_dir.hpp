// A private working folder for targets whose code writes files into the current folder.
#pragma once

// Makes a fresh folder under $TMPDIR (or /tmp), removed again at a normal exit, and
// points crash artifacts at the folder the target was started in (a relative artifact
// path given is made absolute), since a crash is written while inside the scratch folder.
// Aborts when it cannot: a target writing into the caller's folder would litter it.
void prepare_scratch_dir(int* argc, char*** argv);

// While one lives, the current folder is the scratch folder; it is emptied on the way out.
// Only the target's own call runs there: libFuzzer's corpus and child runs stay put.
class in_scratch_dir {
  public:
    in_scratch_dir();
    ~in_scratch_dir();
    in_scratch_dir(const in_scratch_dir&) = delete;
    in_scratch_dir& operator=(const in_scratch_dir&) = delete;
};

// Sends standard output, where the program reports, to /dev/null.
void silence_stdout();
