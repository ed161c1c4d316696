#include "extract/cell_screen.hpp"

#include "extract/picture.hpp"
#include "extract/picture_run.hpp"
#include "gfx/cells.hpp"
#include "gfx/pattern_names.hpp"

namespace {

// Cells of a depth the screen cannot take: depth, and the depth (or the deepest) it takes.
error depth_error(const cell_screen& screen, std::uint16_t depth) {
    error e{error_kind::wrong_depth, "opti_ss_pnb"};
    e.detail = screen.rule == depth_rule::exactly ? error_detail::cell_depth
                                                  : error_detail::cell_depth_limit;
    e.figures[0] = depth;
    e.figures[1] = screen.depth;
    return e;
}

// A table too small to be cut into the pictures (how many) it was to give.
error uncut_error(std::uint64_t pictures) {
    error e{error_kind::bad_argument, "cutimage"};
    e.detail = error_detail::table_too_small;
    e.figures[0] = pictures;
    return e;
}

bool takes(const cell_screen& screen, std::uint16_t depth) {
    return screen.rule == depth_rule::exactly ? depth == screen.depth : depth <= screen.depth;
}

} // namespace

std::optional<std::uint16_t> load_cell_screen(picture_job& job, const char* file,
                                              std::uint16_t* map, const cell_screen& screen,
                                              const std::function<bool()>& cells) {
    if (!job.load(file, entry_bytes(map), map_area_size) || (cells && !cells())) {
        return std::nullopt;
    }
    const std::uint32_t entries = map_columns * screen.map_rows;
    if (entries > map_area_entries) {
        job.fail(error{error_kind::bad_argument, "opti_ss_pnb"});
        return std::nullopt;
    }
    const result<std::uint16_t> depth = opti_ss_pnb(map, entries);
    if (!depth) {
        job.fail(depth.failure());
        return std::nullopt;
    }
    if (!takes(screen, *depth)) {
        job.fail_quietly(depth_error(screen, *depth));
        return std::nullopt;
    }
    result<void> cut = cutimage(entry_bytes(map), entry_bytes(map), map_columns, screen.map_rows,
                                screen.across, screen.down, 0, screen.first_row, map_entry_bits);
    if (!cut) {
        if (screen.cut_pictures != 0) {
            job.fail_quietly(uncut_error(screen.cut_pictures));
        } else {
            job.fail(std::move(cut.failure()));
        }
        return std::nullopt;
    }
    return *depth;
}
