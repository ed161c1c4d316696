// The gallery: one HTML page of the run's pictures in the output folder, grouped as the run
// makes them, each at its own size and at twice it, with the failures where they happened.
// The page stands alone: its style inline, no script, nothing fetched.
#pragma once

#include "app/report.hpp"
#include "core/error.hpp"
#include "extract/picture_run.hpp"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class output_folder;

// The page's name when --gallery names none.
constexpr char default_gallery_name[] = "index.html";

// What the page's head tells of the run.
struct gallery_head {
    std::string source;      // as given, or the drive's root in the dialogue
    std::string source_path; // absolute: the folder, image or device it was read from
    std::string format;      // BMP, PNG
    std::string date;        // UTC, ISO 8601: 2026-12-09T19:30:05Z
};

// The events of a run the page shows, in the order they came.
struct gallery_events {
    struct shown_picture {
        picture_record record;
        picture_fate fate;
    };
    struct placed_failure {
        failure_record record;
        std::size_t after = 0; // how many pictures came before it
    };
    std::vector<shown_picture> pictures;
    std::vector<placed_failure> failures;
};

// The page: a section for each group in the run's order, its pictures (written or kept)
// linking their files, its failures in their place with the pictures they cost, and a group
// that failed as a whole with those it did not make (counts.groups_failed).
std::string gallery_page(const gallery_head& head, const gallery_events& events,
                         const run_counts& counts);

// A moment as the page's head gives it: UTC, ISO 8601, to the second.
std::string iso8601_utc(std::chrono::system_clock::time_point when);

// Whether a file that begins so is a page this program wrote (an empty file holds nothing
// to lose either).
bool is_gallery_text(std::string_view beginning);

// Why FILE of --gallery=FILE cannot be the page's name: not a plain name in the output
// folder, or a picture's; empty when it can.
std::string gallery_name_refused(const std::string& name);

// Once the pictures' folder is open, before the run: why the page cannot go there under its
// name, when it would take the manifest's place (manifest: its path as given; empty or "-"
// for none in a folder) or replace what is no page of this program. Empty when it can.
std::string gallery_place_refused(const std::string& name, const output_folder& folder,
                                  const std::string& manifest);

// Gathers the run's events for the page, written once the run has ended.
class gallery_listener final : public run_listener {
  public:
    void picture(const picture_record& record, picture_fate fate) override;
    void failure(const failure_record& record) override;
    void group_failed(const char*, const std::vector<std::string>&) override {}

    const gallery_events& events() const { return events_; }

  private:
    gallery_events events_;
};
