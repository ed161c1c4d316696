// The picture groups of a disc, in the order a run takes them: the table the run, the
// command line and the diagnostics all read.
#pragma once

#include "gfx/colour.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class disc;
class group_job;
class picture_run;
class run_listener;
struct picture_settings;

// A picture a group would make of a disc.
struct listed_picture {
    std::string name;
    const char* group;                // what --only knows it by: the title group makes three
    std::vector<std::string> sources; // the disc files it comes from
    unsigned entry = 0;               // its row in its group's table
    unsigned number = 0;              // which of its row's pictures, from 0
};

struct picture_group {
    const char* name;
    // The pictures it would make of the disc, in the order it makes them.
    std::vector<listed_picture> (*list)(const disc& source);
    // Makes one of them. False when the group cannot go on (told); a picture's own failure
    // is told and the group goes on.
    bool (*make)(group_job& job, const listed_picture& picture);
    const char* first_file; // the first it reads (the portraits: a pattern)
    transparency mode;      // the mode its colours are converted under
};

std::span<const picture_group> picture_groups();

// The names --only takes for groups of pictures, in the order they are made, the title
// group's three kinds among them.
std::span<const char* const> picture_group_names();

// Every picture of every group that the disc gives, in the order a run makes them.
std::vector<listed_picture> disc_pictures(const disc& source);

// What became of a group in a run.
enum class group_outcome {
    skipped, // the run selects none of its pictures
    ran,     // it made what it could of those selected
    failed,  // it failed as a whole (told); the run tells the pictures it did not make
};

// Makes the pictures of the group that the run selects, in the order listed. A group whose
// list is empty fails as a whole: none of its files matched.
group_outcome make_group(picture_run& run, const picture_group& group);

// Runs every group that the settings select any picture of, in table order, and tells the
// listener what happens. A failing group never stops the run. True when every group ran;
// false when one failed as a whole.
bool run_extraction(const disc& source, const picture_settings& settings, run_listener& listener);

// Whether the disc holds the first file of any group.
bool holds_disc_files(const disc& source);
