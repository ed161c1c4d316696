#include "gfx/cells.hpp"

#include "gfx/pattern_names.hpp"
#include "platform/heap.hpp"

#include <cstring>
#include <type_traits>

namespace {

// Each cell row of the picture becomes 8 pixel rows: row r of cell i lands at pixel row r,
// bytes from i x depth. Depth is a number, or a constant that makes each copy a few moves.
template <typename Depth>
void arrange_cells(const std::uint8_t* from, std::uint8_t* dst, std::uint32_t width,
                   std::uint32_t height, Depth depth) {
    const std::size_t row_size = std::size_t{width} * depth;
    for (std::uint32_t j = 0; j < height; ++j) {
        std::uint8_t* band = dst + j * cell_side * row_size;
        for (std::uint32_t i = 0; i < width; ++i) {
            for (std::uint32_t r = 0; r < cell_side; ++r) {
                std::memcpy(band + r * row_size + std::size_t{i} * depth, from, depth);
                from += depth;
            }
        }
    }
}

template <std::size_t depth> using fixed_depth = std::integral_constant<std::size_t, depth>;

} // namespace

result<void> dec_s8_tile(const std::uint8_t* cells, std::uint8_t* dst, const std::uint16_t* table,
                         std::uint32_t length, std::uint32_t width, std::uint32_t height,
                         std::uint16_t depth) {
    if (table == nullptr || cells == nullptr || dst == nullptr || depth == 0) {
        return error{error_kind::bad_argument, "dec_s8_tile"};
    }
    if (depth % 2 != 0) {
        return error{error_kind::unsupported, "dec_s8_tile"};
    }
    const std::uint32_t cell_size = cell_side * depth;
    const std::uint64_t total64 = std::uint64_t{cell_size} * width * height;
    if (total64 == 0 || total64 > largest_block) {
        return error{error_kind::bad_argument, "dec_s8_tile"};
    }
    const auto total = static_cast<std::size_t>(total64);
    const std::size_t count = std::size_t{width} * height;
    // Gather every cell first, so that dst may be the block the cells come from. Every byte is
    // a cell's before any is read.
    const heap_block gathered = heap_to_fill(total);
    if (!gathered) {
        return error{error_kind::no_memory, "dec_s8_tile"};
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t offset = std::uint32_t{table[i]} * pn_unit_size;
        if (offset > length || cell_size > length - offset) {
            return error{error_kind::bad_argument, "dec_s8_tile"};
        }
        std::memcpy(gathered.get() + i * cell_size, cells + offset, cell_size);
    }
    switch (depth) {
    case depth_4:
        arrange_cells(gathered.get(), dst, width, height, fixed_depth<depth_4>{});
        break;
    case depth_8:
        arrange_cells(gathered.get(), dst, width, height, fixed_depth<depth_8>{});
        break;
    case depth_16:
        arrange_cells(gathered.get(), dst, width, height, fixed_depth<depth_16>{});
        break;
    default:
        arrange_cells(gathered.get(), dst, width, height, std::size_t{depth});
        break;
    }
    return {};
}

result<void> cutimage(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t src_width,
                      std::uint32_t src_height, std::uint32_t width, std::uint32_t height,
                      std::uint32_t x, std::uint32_t y, std::uint16_t bits) {
    const auto pixel_size = static_cast<std::uint8_t>(bits / 8);
    // Widened, so that no edge can wrap around and pass.
    if (std::uint64_t{x} + width > src_width || std::uint64_t{y} + height > src_height ||
        std::uint64_t{src_width} * src_height * pixel_size == 0 || src == nullptr ||
        dst == nullptr) {
        return error{error_kind::bad_argument, "cutimage"};
    }
    const std::size_t src_row = std::size_t{src_width} * pixel_size;
    const std::size_t dst_row = std::size_t{width} * pixel_size;
    for (std::uint32_t i = 0; i < height; ++i) {
        // Each row moves towards the start, over bytes already copied: memmove is exact.
        std::memmove(dst + i * dst_row,
                     src + (std::size_t{y} + i) * src_row + std::size_t{x} * pixel_size, dst_row);
    }
    return {};
}
