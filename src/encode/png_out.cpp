#include "encode/png_out.hpp"

#include "encode/spng_library.hpp"
#include "gfx/colour.hpp"
#include "platform/heap.hpp"

#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

static_assert(png_output_built, "png_out.cpp is built only where libspng is found");

namespace {

constexpr unsigned byte_bits = 8;
// Header: indexed pictures keep their depth and palette; 24-bit ones become 8 bits a channel.
constexpr std::uint8_t png_indexed = SPNG_COLOR_TYPE_INDEXED;
constexpr std::uint8_t png_rgb = SPNG_COLOR_TYPE_TRUECOLOR;
constexpr std::uint8_t png_channel_bits = 8;
constexpr std::uint32_t rgb_pixel_size = 3;
// Where each channel lies in a BMP pixel or palette entry, and in a PNG pixel or palette entry.
constexpr std::size_t bmp_blue = 0;
constexpr std::size_t bmp_green = 1;
constexpr std::size_t bmp_red = 2;
constexpr std::size_t png_red = 0;
constexpr std::size_t png_green = 1;
constexpr std::size_t png_blue = 2;

struct free_encoder {
    const spng_library* lib;
    void operator()(spng_ctx* ctx) const { lib->ctx_free(ctx); }
};
using encoder = std::unique_ptr<spng_ctx, free_encoder>;

// Bytes of one PNG row: the pixels alone, without the BMP's fill to four bytes.
std::size_t png_row_size(std::uint32_t width, std::uint16_t bits) {
    return (std::size_t{width} * bits + byte_bits - 1) / byte_bits;
}

// One BMP row as PNG stores it. Indexed rows pack alike, high bits first; the bits after the
// last pixel are cleared, so the file holds nothing from outside the picture. RGB pixels turn
// blue, green, red around.
void to_png_row(const std::uint8_t* bmp_row, std::uint8_t* row, std::size_t row_size,
                std::uint32_t width, std::uint16_t bits) {
    if (bits == bits_rgb) {
        for (std::size_t x = 0; x + rgb_pixel_size <= row_size; x += rgb_pixel_size) {
            row[x + png_red] = bmp_row[x + bmp_red];
            row[x + png_green] = bmp_row[x + bmp_green];
            row[x + png_blue] = bmp_row[x + bmp_blue];
        }
        return;
    }
    std::memcpy(row, bmp_row, row_size);
    const std::size_t spare_bits = row_size * byte_bits - std::size_t{width} * bits;
    row[row_size - 1] &= static_cast<std::uint8_t>(0xFF << spare_bits);
}

// libspng's stream, handed on to the sink; the sink's own error is kept for the caller.
struct png_stream {
    const byte_sink* sink = nullptr;
    std::optional<error> failure;
};

int to_sink(spng_ctx*, void* user, void* bytes, std::size_t count) {
    png_stream& stream = *static_cast<png_stream*>(user);
    result<void> written = put_bytes(*stream.sink, static_cast<const std::uint8_t*>(bytes), count);
    if (!written) {
        stream.failure = std::move(written.failure());
        return SPNG_IO_ERROR;
    }
    return 0;
}

// A code of libspng's as a kind, with the library's own words for it.
error library_error(const spng_library& lib, int code, error_kind otherwise) {
    error failure{code == SPNG_EMEM ? error_kind::no_memory : otherwise};
    failure.library_text = lib.strerror(code);
    return failure;
}

// IHDR, and PLTE and tRNS where the picture has them. Returns 0 or libspng's code.
int describe(const spng_library& lib, spng_ctx* ctx, const std::uint8_t* palette,
             std::uint32_t width, std::uint32_t height, std::uint16_t bits,
             bool marker_transparent) {
    const bool indexed = bits != bits_rgb;
    spng_ihdr ihdr{};
    ihdr.width = width;
    ihdr.height = height;
    ihdr.bit_depth = indexed ? static_cast<std::uint8_t>(bits) : png_channel_bits;
    ihdr.color_type = indexed ? png_indexed : png_rgb;
    // Compression, filter and interlace methods stay 0: deflate, adaptive, none.
    int err = lib.set_ihdr(ctx, &ihdr);
    if (err == 0 && indexed) {
        spng_plte plte{};
        plte.n_entries = 1u << bits;
        for (std::uint32_t i = 0; i < plte.n_entries && i < std::size(plte.entries); ++i) {
            const std::uint8_t* entry = palette + std::size_t{i} * palette_entry_size;
            plte.entries[i].red = entry[bmp_red];
            plte.entries[i].green = entry[bmp_green];
            plte.entries[i].blue = entry[bmp_blue];
        }
        err = lib.set_plte(ctx, &plte);
    }
    if (err == 0 && marker_transparent) {
        // A colour key: pixels of exactly this colour show as see-through, and keep it.
        spng_trns trns{};
        trns.red = trans_marker_value;
        trns.green = trans_marker_value;
        trns.blue = trans_marker_value;
        err = lib.set_trns(ctx, &trns);
    }
    return err;
}

} // namespace

bool png_writer_ready() {
    return spng() != nullptr;
}

result<void> png_out(const byte_sink& sink, const picture& p) {
    if (check_picture(p) != st_ok) {
        return error{error_kind::bad_argument};
    }
    const spng_library* lib = spng();
    if (lib == nullptr) {
        return error{error_kind::unsupported};
    }
    return png_out_through(*lib, sink, p);
}

result<void> png_out_through(const spng_library& lib, const byte_sink& sink, const picture& p) {
    if (check_picture(p) != st_ok) {
        return error{error_kind::bad_argument};
    }
    const encoder ctx(lib.ctx_new(SPNG_CTX_ENCODER), free_encoder{&lib});
    const std::size_t row_size = png_row_size(p.width, p.bits);
    const heap_block row = heap_take(row_size);
    if (!ctx || !row) {
        return error{error_kind::no_memory};
    }
    std::memset(row.get(), 0, row_size);
    const int described =
        describe(lib, ctx.get(), p.palette, p.width, p.height, p.bits, p.marker_transparent);
    if (described != 0) {
        return library_error(lib, described, error_kind::bad_argument);
    }
    png_stream stream{&sink, std::nullopt};
    int result = lib.set_png_stream(ctx.get(), to_sink, &stream);
    if (result == 0) {
        result = lib.encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                                  SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    }
    const std::uint32_t stride = bmp_stride(p.width, p.bits);
    std::uint32_t y = 0;
    for (; result == 0 && y < p.height; ++y) {
        to_png_row(p.pixels + std::size_t{y} * stride, row.get(), row_size, p.width, p.bits);
        result = lib.encode_row(ctx.get(), row.get(), row_size);
    }
    // The last row, and that alone, ends the image; the encoder then writes IEND.
    if (result == SPNG_EOI && y == p.height) {
        return {};
    }
    if (stream.failure) {
        return std::move(*stream.failure);
    }
    return library_error(lib, result, error_kind::write_failed);
}
