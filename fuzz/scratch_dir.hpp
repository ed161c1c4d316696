// A private working folder for targets whose code reads or writes files by relative name.
#pragma once

#include <filesystem>

// Makes a fresh folder under $TMPDIR (or /tmp), removed again at a normal exit, and
// points crash artifacts at the folder the target was started in (a relative artifact
// path given is made absolute), since a crash is written while inside the scratch folder.
// Aborts when it cannot: a target writing into the caller's folder would litter it.
void prepare_scratch_dir(int* argc, char*** argv);

// The scratch folder, as an absolute path.
const std::filesystem::path& scratch_path();
// Removes everything in it.
void empty_scratch_dir();

// What an in_scratch_dir leaves behind it.
enum class scratch_after { emptied, kept };

// While one lives, the current folder is the scratch folder; by default it is emptied on the
// way out. Only the target's own call runs there: libFuzzer's corpus and child runs stay put.
class in_scratch_dir {
  public:
    explicit in_scratch_dir(scratch_after after = scratch_after::emptied);
    ~in_scratch_dir();
    in_scratch_dir(const in_scratch_dir&) = delete;
    in_scratch_dir& operator=(const in_scratch_dir&) = delete;

  private:
    scratch_after after_;
};

// Sends standard output to a file of its own, so that stdout_written can tell whether
// anything printed; aborts when it cannot.
void hold_stdout();
bool stdout_written();
