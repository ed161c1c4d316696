// PNG output left out of this build (no libspng): every picture is refused, nothing is created.
#include "bmp/png_out.hpp"

static_assert(!png_output_built);

bool png_writer_ready() {
    return false;
}

status png_out(const char*, const std::uint8_t*, const std::uint8_t*, std::uint32_t, std::uint32_t,
               std::uint16_t, bool) {
    return err_unsupported;
}
