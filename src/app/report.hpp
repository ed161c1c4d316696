// The run's events as the user meets them: the console's lines, the lines on standard
// error, the counts of the summary, and several listeners at once.
#pragma once

#include "app/console.hpp"
#include "extract/picture_run.hpp"

#include <cstdint>
#include <cstdio>
#include <vector>

// Where a run's lines go: its results (the "done" lines, a listing's rows), the messages of
// its failures (the dialogue's console; standard error in a run with a source), and the
// program's own lines on standard error.
struct report_streams {
    console& results;
    console& failures;
    std::FILE* errors;
};

// The one place a run's event becomes a console line: "done > NAME" for a picture written
// (unless quiet), a listing's row, and the message of every failure that has one. A failed
// write and a picture left out for its name also get a line on standard error.
class console_report final : public run_listener {
  public:
    // What of the results standard output shows: everything; no "done" lines (quiet); none
    // at all (standard output carries the manifest).
    enum class results { shown, quiet, elsewhere };

    console_report(report_streams streams, results shown) : to_(streams), shown_(shown) {}

    // The listing's head and foot, around the rows of a listing run.
    void begin_listing();
    void end_listing();

    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record& record) override;
    void group_failed(const char*, const std::vector<std::string>&) override {}

  private:
    report_streams to_;
    results shown_;
    unsigned listed_ = 0;
};

// How many pictures the run wrote, listed, left out or lost, and the groups that failed.
class run_counts final : public run_listener {
  public:
    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record&) override { ++failed; }
    void group_failed(const char* group, const std::vector<std::string>& unmade) override {
        groups_failed.push_back({group, unmade});
    }

    // The line at the end of a run with a source: what became of the pictures.
    std::string summary(const picture_settings& settings, const picture_format& format) const;
    struct failed_group {
        const char* group;
        std::vector<std::string> unmade;
    };

    // A line for each group that failed as a whole, naming the pictures it did not make.
    std::vector<std::string> group_lines() const;
    // The line of one of them.
    static std::string group_line(const failed_group& g);

    unsigned written = 0;
    unsigned listed = 0;
    unsigned skipped = 0; // kept as they were, or a name an earlier picture had
    unsigned failed = 0;
    std::vector<failed_group> groups_failed;
};

// Hands every event to each of the listeners, in their order.
class run_listeners final : public run_listener {
  public:
    void add(run_listener& listener) { all_.push_back(&listener); }
    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record& record) override;
    void group_failed(const char* group, const std::vector<std::string>& unmade) override;

  private:
    std::vector<run_listener*> all_;
};

// Names as a line lists them: "F001, F002".
std::string names_joined(const std::vector<std::string>& names);

// A line of the program's own on standard error: "quillmoor: TEXT".
void say(std::FILE* errors, const std::string& text);
