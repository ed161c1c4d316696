#include "extract/picture.hpp"

#include "bmp/bmp_out.hpp"
#include "bmp/png_out.hpp"
#include "gfx/colour.hpp"

#include <cstring>
#include <string>

namespace {

picture_format chosen_format = picture_format::bmp;

constexpr char bmp_extension[] = ".BMP";
constexpr char png_extension[] = ".PNG";
constexpr std::uint16_t rgb_bits = 24;

} // namespace

bool set_picture_format(picture_format format) {
    if (format == picture_format::png && !png_writer_ready()) {
        return false;
    }
    chosen_format = format;
    return true;
}

std::string picture_format_support() {
    if (!png_output_built) {
        return "BMP (PNG left out: built without libspng)";
    }
    if (!png_writer_ready()) {
        return std::string("BMP (PNG: ") + png_library_file + " cannot be loaded)";
    }
    return std::string("BMP, PNG (through libspng ") + png_library_version + ")";
}

status write_picture(const char* name, const std::uint8_t* palette, const std::uint8_t* pixels,
                     std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
    if (chosen_format == picture_format::bmp) {
        return errormes(bmp_out(name, palette, pixels, width, height, bits), "bmp_out") != st_ok
                   ? st_reported
                   : st_ok;
    }
    // NAME.BMP becomes NAME.PNG. Pixels written in the marker colour are see-through: the
    // PNG says so, and the colour itself stays.
    std::string png_name = name;
    const std::size_t extension = png_name.rfind(bmp_extension);
    if (extension != std::string::npos) {
        png_name.replace(extension, std::strlen(bmp_extension), png_extension);
    }
    const std::uint8_t mode = transparency_mode();
    const bool marked = bits == rgb_bits && (mode == trans_mark_clear || mode == trans_mark_set);
    return errormes(png_out(png_name.c_str(), palette, pixels, width, height, bits, marked),
                    "png_out") != st_ok
               ? st_reported
               : st_ok;
}
