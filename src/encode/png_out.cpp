#include "encode/png_out.hpp"

#include "encode/spng_library.hpp"
#include "platform/heap.hpp"

#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

static_assert(png_output_built, "png_out.cpp is built only where libspng is found");

namespace {

// Header: indexed images keep their depth and palette; bgr8 ones become 8-bit RGB.
constexpr std::uint8_t png_indexed = SPNG_COLOR_TYPE_INDEXED;
constexpr std::uint8_t png_rgb = SPNG_COLOR_TYPE_TRUECOLOR;
constexpr std::uint8_t png_channel_bits = 8;
constexpr std::size_t rgb_pixel_size = 3;
// Where each channel lies in a bgr8 pixel, and in a PNG pixel.
constexpr std::size_t bgr_blue = 0;
constexpr std::size_t bgr_red = 2;
constexpr std::size_t png_red = 0;
constexpr std::size_t png_blue = 2;
// The image data's deflate effort and row filter. The game's pictures are cells and flat
// runs that the pixels above and to the left foretell: Paeth alone comes within 0.5% of
// trying all five filters on every row, at a fraction of the cost, and level 8 is the least
// that keeps the files near what a PNG optimiser makes of them (level 7: 1.17x, 8: 1.06x).
constexpr int png_deflate_level = 8;
constexpr int png_row_filters = SPNG_FILTER_CHOICE_PAETH;

struct free_encoder {
    const spng_library* lib;
    void operator()(spng_ctx* ctx) const { lib->ctx_free(ctx); }
};
using encoder = std::unique_ptr<spng_ctx, free_encoder>;

// Row y as PNG stores it: indexed rows pack alike, high bits first, spare bits cleared;
// bgr8 pixels turn around to red, green, blue.
void to_png_row(const image& p, std::uint32_t y, std::uint8_t* row, std::size_t row_size) {
    copy_row(p, y, row);
    if (p.format != pixel_format::bgr8) {
        return;
    }
    // Blue and red trade places; green stays in the middle.
    static_assert(png_red == bgr_blue && png_blue == bgr_red);
    for (std::size_t x = 0; x + rgb_pixel_size <= row_size; x += rgb_pixel_size) {
        std::swap(row[x + png_red], row[x + png_blue]);
    }
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

// IHDR, PLTE and tRNS where the image has them, and how the rows are packed. Returns 0 or
// libspng's code.
int describe(const spng_library& lib, spng_ctx* ctx, const image& p) {
    const bool indexed = is_indexed(p.format);
    spng_ihdr ihdr{};
    ihdr.width = p.width;
    ihdr.height = p.height;
    ihdr.bit_depth = indexed ? static_cast<std::uint8_t>(bits_of(p.format)) : png_channel_bits;
    ihdr.color_type = indexed ? png_indexed : png_rgb;
    // Compression, filter and interlace methods stay 0: deflate, adaptive, none.
    int err = lib.set_ihdr(ctx, &ihdr);
    if (err == 0 && indexed) {
        spng_plte plte{};
        plte.n_entries = static_cast<std::uint32_t>(p.palette.size());
        for (std::uint32_t i = 0; i < plte.n_entries && i < std::size(plte.entries); ++i) {
            plte.entries[i].red = p.palette[i].red;
            plte.entries[i].green = p.palette[i].green;
            plte.entries[i].blue = p.palette[i].blue;
        }
        err = lib.set_plte(ctx, &plte);
    }
    if (err == 0 && p.colour_key) {
        // Pixels of exactly this colour show as see-through, and keep it.
        spng_trns trns{};
        trns.red = p.colour_key->red;
        trns.green = p.colour_key->green;
        trns.blue = p.colour_key->blue;
        err = lib.set_trns(ctx, &trns);
    }
    if (err == 0) {
        err = lib.set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, png_deflate_level);
    }
    if (err == 0) {
        err = lib.set_option(ctx, SPNG_FILTER_CHOICE, png_row_filters);
    }
    return err;
}

} // namespace

bool png_writer_ready() {
    return spng() != nullptr;
}

result<void> png_out(const byte_sink& sink, const image& p) {
    if (result<void> checked = check_image(p); !checked) {
        return checked;
    }
    const spng_library* lib = spng();
    if (lib == nullptr) {
        return error{error_kind::unsupported};
    }
    return png_out_through(*lib, sink, p);
}

result<void> png_out_through(const spng_library& lib, const byte_sink& sink, const image& p) {
    if (result<void> checked = check_image(p); !checked) {
        return checked;
    }
    const encoder ctx(lib.ctx_new(SPNG_CTX_ENCODER), free_encoder{&lib});
    const std::size_t row_size = row_bytes(p.width, p.format);
    const heap_block row = heap_take(row_size);
    if (!ctx || !row) {
        return error{error_kind::no_memory};
    }
    std::memset(row.get(), 0, row_size);
    const int described = describe(lib, ctx.get(), p);
    if (described != 0) {
        return library_error(lib, described, error_kind::bad_argument);
    }
    png_stream stream{&sink, std::nullopt};
    int result = lib.set_png_stream(ctx.get(), to_sink, &stream);
    if (result == 0) {
        result = lib.encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                                  SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    }
    std::uint32_t y = 0;
    for (; result == 0 && y < p.height; ++y) {
        to_png_row(p, y, row.get(), row_size);
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
