#include "extract/faces.hpp"

#include "disc/load_disc_file.hpp"
#include "extract/picture.hpp"
#include "gfx/colour.hpp"
#include "platform/disc_access.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t root_path_length = 3; // "q:\"
constexpr std::size_t max_name_length = 12;
constexpr char search_pattern[] = "%sF*.SPR";
constexpr char output_extension[] = ".BMP";
constexpr std::size_t extension_length = sizeof output_extension - 1;

constexpr std::uint32_t face_width = 80;
constexpr std::uint32_t face_height = 80;
constexpr std::uint32_t face_file_size = face_width * face_height * 2;
constexpr std::uint16_t face_bmp_bits = 24;
constexpr std::uint32_t face_pixels_size = face_width * face_height * 3; // rows need no fill
static_assert(rgb_row_size(face_width) * face_height == face_pixels_size);

} // namespace

status dec_face(char* path, char* name) {
    const std::size_t name_length = std::strlen(name);
    if (name_length > max_name_length) {
        return err_name_too_long;
    }
    std::uint8_t pixels[face_pixels_size] = {};
    std::strcat(path, name);
    if (load_disc_file(path, pixels, face_file_size) != static_cast<status>(face_file_size)) {
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

status ext_faces(const char* root) {
    char path[disc_path_size] = {};
    find_record found = {};
    std::snprintf(path, sizeof path, search_pattern, root);
    disc_search* search = find_first(path, &found);
    if (search == nullptr) {
        return errormes(err_no_file, nullptr);
    }
    do {
        path[root_path_length] = '\0';
        errormes(dec_face(path, found.name), "dec_face");
    } while (find_next(search, &found));
    find_close(search);
    return st_ok;
}
