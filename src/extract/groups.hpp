// The picture groups of a disc, in the order a run takes them: the table the run, the
// command line and the diagnostics all read.
#pragma once

#include "core/status.hpp"
#include "gfx/colour.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class disc;
class picture_run;
class run_listener;
struct picture_settings;

// A picture a group makes, and the group --only knows it by (the title group makes three
// kinds: title, sprites, cellmaps).
struct group_picture {
    std::string name;
    const char* group;
};

struct picture_group {
    const char* name;
    bool (*run)(picture_run& run, transparency mode);
    // The pictures it makes of the disc when nothing fails, in the order it makes them.
    void (*pictures)(const disc& source, std::vector<group_picture>& out);
    const char* first_file; // the first it reads (the portraits: a pattern)
    transparency mode;      // the mode its colours are converted under
};

std::span<const picture_group> picture_groups();

// The names --only takes for groups of pictures, in the order they are made, the title
// group's three kinds among them.
std::span<const char* const> picture_group_names();

// Every picture of every group that the disc gives, in the order a run makes them.
std::vector<group_picture> disc_pictures(const disc& source);

// The result of a run whose every group ran, and of one where a group failed as a whole.
constexpr status st_run_failed = -1;

// Runs every group that the settings select any picture of, in table order, and tells the
// listener what happens. A failing group never stops the run. Returns 0, or -1 when a group
// failed as a whole.
status run_extraction(const disc& source, const picture_settings& settings, run_listener& listener);

// Whether the disc holds the first file of any group.
bool holds_disc_files(const disc& source);
