// The console: standard output for every line the program prints, standard input for the
// one answer it reads. Each line is written out as it ends, so a pipe sees it at once.
#pragma once

#include "platform/terminal.hpp"

#include <cstdio>
#include <utility>

// A text the console writes in its encoding, both forms kept as constant data.
struct japanese_text {
    const char* shift_jis;
    const char* utf8;
};

class console {
  public:
    // Text from the user (a path) is shown with its control codes escaped on a terminal, as
    // ls shows names, and always where escape_always says (standard error: a line stays one).
    console(std::FILE* out, std::FILE* in, text_encoding encoding, bool escape_always = false)
        : out_(out), in_(in), encoding_(std::move(encoding)),
          escapes_(escape_always || is_terminal(out)) {}

    bool escapes() const { return escapes_; }

    [[gnu::format(printf, 2, 3)]] void printf(const char* format, ...);
    // Writes text as it stands, without a newline of its own.
    void puts(const char* text);
    // Writes a Japanese text in the console's encoding.
    void puts(const japanese_text& text);
    // One character from standard input, or EOF when input has ended.
    int getc();
    // Makes everything printed so far visible, before the program waits for input.
    void flush();
    // The system's error of the first write that failed (a full disk, a closed pipe); 0 while
    // every line arrived.
    int write_error() const { return write_error_; }

  private:
    void note(bool failed);

    std::FILE* out_;
    std::FILE* in_;
    text_encoding encoding_;
    bool escapes_;
    int write_error_ = 0;
};
