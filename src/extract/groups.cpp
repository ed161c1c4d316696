#include "extract/groups.hpp"

#include "extract/cellmaps.hpp"
#include "extract/endings.hpp"
#include "extract/events.hpp"
#include "extract/faces.hpp"
#include "extract/picture_run.hpp"
#include "extract/title.hpp"
#include "gfx/colour.hpp"
#include "platform/disc.hpp"

namespace {

// Portraits mark every pixel whose top bit is clear; nothing else does.
constexpr picture_group groups[] = {
    {group_faces, ext_faces, faces_pictures, faces_pattern, transparency::mark_clear},
    {group_events, ext_events, events_pictures, events_first_file, transparency::plain},
    {group_endings, ext_endings, endings_pictures, endings_first_file, transparency::plain},
    {group_title, ext_title, title_pictures, title_file, transparency::plain},
};

constexpr const char* group_names[] = {group_faces, group_events,  group_endings,
                                       group_title, group_sprites, group_cellmaps};

} // namespace

std::span<const picture_group> picture_groups() {
    return groups;
}

std::span<const char* const> picture_group_names() {
    return group_names;
}

std::vector<group_picture> disc_pictures(const disc& source) {
    std::vector<group_picture> all;
    for (const picture_group& group : groups) {
        group.pictures(source, all);
    }
    return all;
}

status run_extraction(const disc& source, const picture_settings& settings,
                      run_listener& listener) {
    picture_run run(source, settings, listener);
    status result = st_ok;
    for (const picture_group& group : groups) {
        std::vector<group_picture> pictures;
        group.pictures(source, pictures);
        std::vector<std::string> selected;
        for (const group_picture& p : pictures) {
            if (settings.only.selects(p.name, p.group)) {
                selected.push_back(p.name);
            }
        }
        // Asked for everything, a group runs even with nothing to make: a disc without
        // portraits is told so.
        if (selected.empty() && !settings.only.everything()) {
            continue;
        }
        run.begin_group(std::move(selected));
        if (!group.run(run, group.mode)) {
            run.group_failed(group.name);
            result = st_run_failed;
        }
    }
    return result;
}

bool holds_disc_files(const disc& source) {
    for (const picture_group& group : groups) {
        if (!source.search(group.first_file).empty()) {
            return true;
        }
    }
    return false;
}
