// Pattern name tables, rectangles cut out of tables and pictures, and cells laid out as
// pixel rows. Input format in cells_input.hpp.
#include "cells_input.hpp"
#include "gfx/cells.hpp"
#include "gfx/pattern_names.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using bytes = std::unique_ptr<std::uint8_t[]>;
using entries = std::unique_ptr<std::uint16_t[]>;

constexpr std::uint16_t entry_bits = 16;

[[noreturn]] void fail(const char* what, long expected, long got) {
    std::fprintf(stderr, "fuzz_cells: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

std::uint8_t* as_bytes(std::uint16_t* p) {
    return reinterpret_cast<std::uint8_t*>(p);
}

// A routine's result as the console's code for it, 0 when it succeeded, for comparing.
template <class T> status code(const result<T>& r) {
    return r ? st_ok : code_of(r.failure().kind);
}

struct rectangle {
    std::uint32_t x, y, width, height;
};

// Cuts apart and in place; both must agree. Returns the result, the cut in out (exactly
// width x height pixels, so reading past it is caught).
status cut_both_ways(const std::uint8_t* src, std::uint32_t src_width, std::uint32_t src_height,
                     rectangle r, std::uint16_t bits, bytes& out) {
    const std::size_t pixel = bits / bits_per_byte;
    const std::size_t src_size = std::size_t{src_width} * src_height * pixel;
    const std::size_t cut_size = std::size_t{r.width} * r.height * pixel;
    const bytes source(new std::uint8_t[src_size]);
    std::memcpy(source.get(), src, src_size);
    out.reset(new std::uint8_t[cut_size]);
    const status apart = code(cutimage(source.get(), out.get(), src_width, src_height, r.width,
                                       r.height, r.x, r.y, bits));

    const bytes shared(new std::uint8_t[std::max(src_size, cut_size)]);
    std::memcpy(shared.get(), src, src_size);
    const status in_place = code(cutimage(shared.get(), shared.get(), src_width, src_height,
                                          r.width, r.height, r.x, r.y, bits));
    if (apart != in_place) {
        fail("cutimage in place", apart, in_place);
    }
    const bool fits = std::uint64_t{r.x} + r.width <= src_width &&
                      std::uint64_t{r.y} + r.height <= src_height && src_size != 0;
    if ((apart == st_ok) != fits) {
        fail("cutimage accepts exactly the rectangles inside", fits, apart);
    }
    if (apart != st_ok) {
        return apart;
    }
    const std::size_t row = std::size_t{r.width} * pixel;
    for (std::uint32_t i = 0; i < r.height; ++i) {
        const std::uint8_t* from = src + ((std::size_t{r.y} + i) * src_width + r.x) * pixel;
        if (std::memcmp(out.get() + i * row, from, row) != 0 ||
            std::memcmp(shared.get() + i * row, from, row) != 0) {
            fail("cutimage row", i, -1);
        }
    }
    return apart;
}

// Tiles apart and in place; both must agree, and each cell row must come from its cell.
void tile_both_ways(const std::uint8_t* cells, std::uint32_t length, const std::uint16_t* table,
                    std::uint32_t width, std::uint32_t height, std::uint16_t depth) {
    const std::size_t total = std::size_t{cell_side} * depth * width * height;
    const bytes source(new std::uint8_t[length]);
    std::memcpy(source.get(), cells, length);
    const bytes apart_out(new std::uint8_t[total]);
    const status apart =
        code(dec_s8_tile(source.get(), apart_out.get(), table, length, width, height, depth));

    const bytes shared(new std::uint8_t[std::max<std::size_t>(length, total)]);
    std::memcpy(shared.get(), cells, length);
    const status in_place =
        code(dec_s8_tile(shared.get(), shared.get(), table, length, width, height, depth));
    if (apart != in_place) {
        fail("dec_s8_tile in place", apart, in_place);
    }
    if (depth % 2 != 0 && depth != 0) {
        if (apart != err_unsupported) {
            fail("dec_s8_tile odd depth", err_unsupported, apart);
        }
        return;
    }
    bool inside = total != 0;
    const std::size_t cell_size = std::size_t{cell_side} * depth;
    for (std::size_t i = 0; inside && i < std::size_t{width} * height; ++i) {
        inside = std::size_t{table[i]} * pn_unit_size + cell_size <= length;
    }
    if ((apart == st_ok) != inside) {
        fail("dec_s8_tile accepts exactly the tables inside the data", inside, apart);
    }
    if (apart != st_ok) {
        return;
    }
    if (std::memcmp(apart_out.get(), shared.get(), total) != 0) {
        fail("dec_s8_tile in place bytes equal", 0, 1);
    }
    const std::size_t row_size = std::size_t{width} * depth;
    for (std::uint32_t j = 0; j < height; ++j) {
        for (std::uint32_t i = 0; i < width; ++i) {
            const std::uint8_t* cell = cells + std::size_t{table[j * width + i]} * pn_unit_size;
            for (std::uint32_t r = 0; r < cell_side; ++r) {
                const std::uint8_t* at =
                    apart_out.get() + (std::size_t{j} * cell_side + r) * row_size + i * depth;
                if (std::memcmp(at, cell + r * depth, depth) != 0) {
                    fail("dec_s8_tile cell row", r, -1);
                }
            }
        }
    }
}

// Normalises a table and checks what the other routines rely on.
status normalise(std::uint16_t* table, std::uint32_t count, std::uint16_t& depth) {
    depth = 0;
    const result<std::uint16_t> found = opti_ss_pnb(table, count);
    const status result = code(found);
    if (!found) {
        if (result != err_argument) {
            fail("opti_ss_pnb refusal", err_argument, result);
        }
        return result;
    }
    depth = *found;
    const bool mixed = depth % 2 != 0;
    const auto plain = static_cast<std::uint16_t>(mixed ? depth - depth_mixed_flag : depth);
    if (plain != depth_4 && plain != depth_8 && plain != depth_16) {
        fail("opti_ss_pnb depth", depth_8, depth);
    }
    if (!mixed) {
        // One palette throughout: what is left is a cell number from 0 up.
        const std::uint16_t lowest = *std::min_element(table, table + count);
        const std::uint16_t highest = *std::max_element(table, table + count);
        if (lowest != 0 || highest > pn_character_mask) {
            fail("opti_ss_pnb rebased entries", 0, highest);
        }
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < cells_header_size) {
        return 0;
    }
    const std::uint32_t table_width = 1 + data[field_table_width] % table_side_limit;
    const std::uint32_t table_height = 1 + data[field_table_height] % table_side_limit;
    const rectangle r{data[field_x] % cut_limit, data[field_y] % cut_limit,
                      data[field_width] % cut_limit, data[field_height] % cut_limit};
    const std::uint8_t depth_byte = data[field_depth];
    const auto picture_bits =
        static_cast<std::uint16_t>(bits_per_byte * (data[field_picture_bits] % bits_choices));
    const std::uint32_t picture_width = data[field_picture_width] % picture_side_limit;
    const std::uint32_t picture_height = data[field_picture_height] % picture_side_limit;

    const std::uint32_t count = table_width * table_height;
    const std::size_t table_bytes = std::size_t{count} * 2;
    const std::size_t body = size - cells_header_size;
    const std::size_t taken = std::min(table_bytes, body);
    const std::uint8_t* cells = data + cells_header_size + taken;
    const auto length = static_cast<std::uint32_t>(body - taken);

    // The table as loaded from the disc: raw big-endian entries.
    const entries table(new std::uint16_t[count]());
    std::memcpy(table.get(), data + cells_header_size, taken);
    std::uint16_t depth = 0;
    const status normalised = normalise(table.get(), count, depth);
    if ((depth_byte & depth_override_flag) != 0) {
        depth = depth_byte & depth_override_mask;
    } else if (normalised != st_ok) {
        return 0;
    }

    bytes cut;
    if (cut_both_ways(as_bytes(table.get()), table_width, table_height, r, entry_bits, cut) ==
        st_ok) {
        // The cut entries, in memory of their own type and exactly as many as there are.
        const entries cut_table(new std::uint16_t[std::size_t{r.width} * r.height]);
        std::memcpy(cut_table.get(), cut.get(), std::size_t{r.width} * r.height * 2);
        tile_both_ways(cells, length, cut_table.get(), r.width, r.height, depth);
    }

    // A picture of whole-byte pixels, made from the cell data.
    const std::size_t picture_size =
        std::size_t{picture_width} * picture_height * (picture_bits / bits_per_byte);
    const bytes picture(new std::uint8_t[picture_size]);
    for (std::size_t i = 0; i < picture_size; ++i) {
        picture[i] = length != 0 ? cells[i % length] : static_cast<std::uint8_t>(i);
    }
    cut_both_ways(picture.get(), picture_width, picture_height, r, picture_bits, cut);
    return 0;
}
