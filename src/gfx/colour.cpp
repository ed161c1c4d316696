#include "gfx/colour.hpp"

#include "platform/heap.hpp"

#include <cstring>

namespace {

constexpr std::uint8_t mask_set_value = 255;
constexpr std::uint8_t mask_clear_value = 0;

std::uint16_t read_be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint8_t widen(unsigned channel) {
    return static_cast<std::uint8_t>((channel & colour_channel_mask) << colour_channel_scale);
}

void fill3(std::uint8_t* out, std::uint8_t value) {
    out[0] = out[1] = out[2] = value;
}

void convert(std::uint16_t word, std::uint8_t* out, transparency mode) {
    const bool top = (word & colour_top_bit) != 0;
    if (mode == transparency::top_bit_mask) {
        fill3(out, top ? mask_set_value : mask_clear_value);
    } else if ((mode == transparency::mark_clear && !top) ||
               (mode == transparency::mark_set && top)) {
        fill3(out, trans_marker_value);
    } else {
        out[0] = widen(word >> colour_blue_shift);
        out[1] = widen(word >> colour_green_shift);
        out[2] = widen(word);
    }
}

} // namespace

result<void> dec_ss_col(std::uint16_t word, std::uint8_t* out, transparency mode) {
    if (out == nullptr) {
        return error{error_kind::bad_argument, "dec_ss_col"};
    }
    convert(word, out, mode);
    return {};
}

result<void> dec_ss_pal(const std::uint8_t* src, std::uint8_t* out, std::uint32_t count,
                        transparency mode) {
    if (count == 0 || src == nullptr || out == nullptr) {
        return error{error_kind::bad_argument, "dec_ss_pal"};
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t* entry = out + std::size_t{i} * palette_entry_size;
        convert(read_be16(src + std::size_t{i} * 2), entry, mode);
        entry[3] = 0;
    }
    return {};
}

result<void> dec_ss_hc(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t width,
                       std::uint32_t height, transparency mode) {
    // The rows must be addressable in 32 bits, as the BMP file that takes them is.
    const std::uint64_t out_size = std::uint64_t{height} * (std::uint64_t{width} * 3 + width % 4);
    if (out_size == 0 || out_size > UINT32_MAX || src == nullptr || dst == nullptr) {
        return error{error_kind::bad_argument, "dec_ss_hc"};
    }
    const std::size_t in_size = std::size_t{width} * height * 2;
    // The rows are half as long again as the words: read the words from a copy.
    heap_block copy;
    if (src == dst) {
        copy = heap_copy(src, in_size);
        if (!copy) {
            return error{error_kind::no_memory, "dec_ss_hc"};
        }
        src = copy.get();
    }
    const std::uint32_t fill = width % 4;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            convert(read_be16(src), dst, mode);
            src += 2;
            dst += 3;
        }
        std::memset(dst, 0, fill);
        dst += fill;
    }
    return {};
}
