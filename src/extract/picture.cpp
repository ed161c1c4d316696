#include "extract/picture.hpp"

#include "bmp/bmp_out.hpp"

namespace {

picture_format chosen_format = picture_format::bmp;

} // namespace

bool set_picture_format(picture_format format) {
    if (format != picture_format::bmp) {
        return false;
    }
    chosen_format = format;
    return true;
}

std::string picture_format_support() {
    return "BMP";
}

status write_picture(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
                     std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    return errormes(bmp_out(name, palette, pixels, width, height, bits), "bmp_out") != st_ok
               ? st_reported
               : st_ok;
}
