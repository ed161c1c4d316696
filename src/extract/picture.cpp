#include "extract/picture.hpp"

#include "bmp/bmp_out.hpp"

status write_picture(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
                     std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    return errormes(bmp_out(name, palette, pixels, width, height, bits), "bmp_out") != st_ok
               ? st_reported
               : st_ok;
}
