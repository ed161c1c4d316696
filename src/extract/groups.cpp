#include "extract/groups.hpp"

#include "extract/cellmaps.hpp"
#include "extract/endings.hpp"
#include "extract/events.hpp"
#include "extract/faces.hpp"
#include "extract/picture_run.hpp"
#include "extract/title.hpp"
#include "gfx/colour.hpp"
#include "platform/disc.hpp"

#include <string_view>

namespace {

// Portraits mark every pixel whose top bit is clear; nothing else does.
constexpr picture_group groups[] = {
    {group_faces, list_faces, make_face, faces_pattern, transparency::mark_clear},
    {group_events, list_events, make_event, events_first_file, transparency::plain},
    {group_endings, list_endings, make_ending, endings_first_file, transparency::plain},
    {group_title, list_title, make_title, title_file, transparency::plain},
};

constexpr const char* group_names[] = {group_faces, group_events,  group_endings,
                                       group_title, group_sprites, group_cellmaps};

// Whether two pictures are made of one row of a table, and so of the same files.
bool same_row(const listed_picture& a, const listed_picture& b) {
    return std::string_view(a.group) == b.group && a.entry == b.entry;
}

// The pictures a failure of selected[at] costs: itself, and those selected after it that
// are made of the same row.
std::vector<std::string> costs_of(const std::vector<const listed_picture*>& selected,
                                  std::size_t at) {
    std::vector<std::string> costs{selected[at]->name};
    for (std::size_t i = at + 1; i < selected.size() && same_row(*selected[i], *selected[at]);
         ++i) {
        costs.push_back(selected[i]->name);
    }
    return costs;
}

} // namespace

std::span<const picture_group> picture_groups() {
    return groups;
}

std::span<const char* const> picture_group_names() {
    return group_names;
}

std::vector<listed_picture> disc_pictures(const disc& source) {
    std::vector<listed_picture> all;
    for (const picture_group& group : groups) {
        std::vector<listed_picture> listed = group.list(source);
        all.insert(all.end(), listed.begin(), listed.end());
    }
    return all;
}

group_outcome make_group(picture_run& run, const picture_group& group) {
    const std::vector<listed_picture> pictures = group.list(run.source());
    std::vector<const listed_picture*> selected;
    std::vector<std::string> names;
    for (const listed_picture& p : pictures) {
        if (run.wants(p.name, p.group)) {
            selected.push_back(&p);
            names.push_back(p.name);
        }
    }
    // Asked for everything, a group runs even with nothing to make: a disc without
    // portraits is told so.
    if (selected.empty() && !run.wants_everything()) {
        return group_outcome::skipped;
    }
    run.begin_group(std::move(names));
    if (pictures.empty()) {
        picture_job(run, group.name).fail(error{error_kind::no_match});
        return group_outcome::failed;
    }
    group_job job(run, group.name, group.mode);
    for (std::size_t at = 0; at < selected.size(); ++at) {
        // A picture made of the same files as one that failed went with it.
        if (at > 0 && same_row(*selected[at], *selected[at - 1]) && run.lost(selected[at]->name)) {
            continue;
        }
        if (at == 0 || !same_row(*selected[at], *selected[at - 1])) {
            job.start_row();
        }
        job.set_costs(costs_of(selected, at));
        if (!group.make(job, *selected[at])) {
            return group_outcome::failed;
        }
    }
    return group_outcome::ran;
}

bool run_extraction(const disc& source, const picture_settings& settings, run_listener& listener) {
    picture_run run(source, settings, listener);
    bool every_group_ran = true;
    for (const picture_group& group : groups) {
        if (make_group(run, group) == group_outcome::failed) {
            run.group_failed(group.name);
            every_group_ran = false;
        }
    }
    return every_group_ran;
}

bool holds_disc_files(const disc& source) {
    for (const picture_group& group : groups) {
        if (!source.search(group.first_file).empty()) {
            return true;
        }
    }
    return false;
}
