// PNG output left out of this build (no libspng): every image is refused, nothing is written.
#include "encode/png_out.hpp"

static_assert(!png_output_built);

bool png_writer_ready() {
    return false;
}

result<void> png_out(const byte_sink&, const image&) {
    return error{error_kind::unsupported};
}
