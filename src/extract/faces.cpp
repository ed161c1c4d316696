#include "extract/faces.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/picture.hpp"
#include "gfx/colour.hpp"
#include "platform/disc.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t max_name_length = 12;
// Room for a found name, as the system's own search records have: longer names are cut.
constexpr std::size_t found_name_size = 260;
constexpr char search_pattern[] = "F*.SPR";
constexpr char output_extension[] = ".BMP";
constexpr std::size_t extension_length = sizeof output_extension - 1;

constexpr std::uint32_t face_width = 80;
constexpr std::uint32_t face_height = 80;
constexpr std::uint32_t face_file_size = face_width * face_height * 2;
constexpr std::uint16_t face_bmp_bits = 24;
constexpr std::uint32_t face_pixels_size = face_width * face_height * 3; // rows need no fill
static_assert(rgb_row_size(face_width) * face_height == face_pixels_size);

} // namespace

status dec_face(const disc& source, char* name) {
    const std::size_t name_length = std::strlen(name);
    if (name_length > max_name_length) {
        return err_name_too_long;
    }
    std::uint8_t pixels[face_pixels_size] = {};
    if (load_disc_file(source, name, pixels, face_file_size) !=
        static_cast<status>(face_file_size)) {
        return st_reported;
    }
    // Four characters from the last dot become ".BMP"; a name without a dot gets it
    // added, so the portrait is never written over its own disc name.
    char* dot = std::strrchr(name, '.');
    std::memcpy(dot != nullptr ? dot : name + name_length, output_extension, extension_length);
    if (errormes(dec_ss_hc(pixels, pixels, face_width, face_height), "dec_ss_hc") != st_ok) {
        return st_reported;
    }
    return write_picture(name, nullptr, pixels, face_width, face_height, face_bmp_bits);
}

status ext_faces(const disc& source) {
    const std::vector<std::string> names = source.search(search_pattern);
    if (names.empty()) {
        return errormes(err_no_file, nullptr);
    }
    for (const std::string& found : names) {
        // dec_face rewrites the extension in place: each name gets a zero-filled copy.
        char name[found_name_size] = {};
        found.copy(name, sizeof name - 1);
        errormes(dec_face(source, name), "dec_face");
    }
    return st_ok;
}
