#include "encode/formats.hpp"

#include "core/ascii.hpp"
#include "encode/bmp_out.hpp"
#include "encode/png_out.hpp"

namespace {

bool always_ready() {
    return true;
}

constexpr format_library libspng = {"libspng", png_output_built, png_library_version,
                                    png_library_file};

constexpr picture_format formats[] = {
    {"bmp", "BMP", ".BMP", "bmp_out", bmp_out, always_ready, nullptr},
    {"png", "PNG", ".PNG", "png_out", png_out, png_writer_ready, &libspng},
};

} // namespace

std::span<const picture_format> picture_formats() {
    return formats;
}

const picture_format* find_picture_format(const char* name) {
    for (const picture_format& f : formats) {
        if (same_ignoring_case(name, f.name)) {
            return &f;
        }
    }
    return nullptr;
}

const picture_format& default_picture_format() {
    return formats[0];
}
