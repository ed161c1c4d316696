#include "gfx/pattern_names.hpp"

#include <cstring>

namespace {

// The lowest bit set in any character number is the size of a cell in 32-byte units:
// cells start on multiples of their own size.
constexpr std::uint16_t unit_bit_depth_4 = 0x1;
constexpr std::uint16_t unit_bit_depth_8 = 0x2;
constexpr std::uint16_t unit_bit_depth_16 = 0x4;

std::uint16_t read_disc_entry(const std::uint16_t* entry) {
    std::uint8_t bytes[2];
    std::memcpy(bytes, entry, sizeof bytes);
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

} // namespace

result<std::uint16_t> opti_ss_pnb(std::uint16_t* table, std::uint32_t count) {
    const error refused{error_kind::bad_argument, "opti_ss_pnb"};
    if (table == nullptr || count == 0) {
        return refused;
    }
    const std::uint16_t palette = read_disc_entry(table) & pn_palette_mask;
    std::uint16_t lowest = 0xFFFF;
    std::uint16_t seen = 0;
    bool mixed = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint16_t v = read_disc_entry(table + i);
        table[i] = v;
        seen |= v;
        if ((v & pn_character_mask) < lowest) {
            lowest = v & pn_character_mask;
        }
        mixed = mixed || (v & pn_palette_mask) != palette;
    }
    std::uint16_t found;
    if (seen & unit_bit_depth_4) {
        found = depth_4;
    } else if (seen & unit_bit_depth_8) {
        found = depth_8;
    } else if (seen & unit_bit_depth_16) {
        found = depth_16;
    } else {
        return refused;
    }
    // A mixed table keeps its palette bits and says so with an odd depth.
    const auto depth = static_cast<std::uint16_t>(mixed ? found + depth_mixed_flag : found);
    const std::uint16_t base = mixed ? lowest : lowest | palette;
    for (std::uint32_t i = 0; i < count; ++i) {
        table[i] = static_cast<std::uint16_t>(table[i] - base);
    }
    return depth;
}
