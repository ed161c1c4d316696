// The run's events as the user meets them: the console's lines, the lines on standard
// error, the counts of the summary, and several listeners at once.
#pragma once

#include "app/console.hpp"
#include "extract/picture_run.hpp"

#include <cstdint>
#include <cstdio>
#include <vector>

// The one place a run's event becomes a console line: "done > NAME" for a picture written
// (unless quiet), a listing's row, and the message of every failure that has one. A failed
// write and a picture left out for its name also get a line on standard error.
class console_report final : public run_listener {
  public:
    console_report(console& con, std::FILE* errors, bool quiet)
        : con_(con), errors_(errors), quiet_(quiet) {}

    // The listing's head and foot, around the rows of a listing run.
    void begin_listing();
    void end_listing();

    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record& record) override;
    void group_failed(const char*) override {}

  private:
    console& con_;
    std::FILE* errors_;
    bool quiet_;
    unsigned listed_ = 0;
};

// How many pictures the run wrote, listed, left out or lost.
class run_counts final : public run_listener {
  public:
    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record&) override { ++failed; }
    void group_failed(const char*) override {}

    // The line at the end of a run with a source: what became of the pictures.
    std::string summary(const picture_settings& settings, const picture_format& format) const;

    unsigned written = 0;
    unsigned listed = 0;
    unsigned skipped = 0; // kept as they were, or a name an earlier picture had
    unsigned failed = 0;
};

// Hands every event to each of the listeners, in their order.
class run_listeners final : public run_listener {
  public:
    void add(run_listener& listener) { all_.push_back(&listener); }
    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record& record) override;
    void group_failed(const char* group) override;

  private:
    std::vector<run_listener*> all_;
};

// A line of the program's own on standard error: "quillmoor: TEXT".
void say(std::FILE* errors, const std::string& text);
