// libspng linked into the program, where no shared copy can be counted on (Windows): its
// entry points are there from the start.
#include "encode/spng_library.hpp"

const spng_library* spng() {
    static constexpr spng_library library{
        .ctx_new = spng_ctx_new,
        .ctx_free = spng_ctx_free,
        .set_ihdr = spng_set_ihdr,
        .set_plte = spng_set_plte,
        .set_trns = spng_set_trns,
        .set_option = spng_set_option,
        .set_png_stream = spng_set_png_stream,
        .encode_image = spng_encode_image,
        .encode_row = spng_encode_row,
        .strerror = spng_strerror,
    };
    return &library;
}
