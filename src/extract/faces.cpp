#include "extract/faces.hpp"

#include "extract/picture_run.hpp"
#include "gfx/colour.hpp"
#include "platform/disc.hpp"

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t max_name_length = 12;
// The four characters from the last dot give way to the picture's extension.
constexpr std::size_t extension_length = 4;

constexpr std::uint32_t face_width = 80;
constexpr std::uint32_t face_height = 80;
constexpr std::uint32_t face_file_size = face_width * face_height * 2;
constexpr std::uint16_t face_bits = 24;
constexpr std::uint32_t face_pixels_size = face_width * face_height * 3; // rows need no fill
static_assert(rgb_row_size(face_width) * face_height == face_pixels_size);

std::string picture_name(const std::string& found) {
    return found.substr(0, found.rfind('.'));
}

} // namespace

bool dec_face(picture_run& run, const std::string& found, transparency mode) {
    const std::size_t dot = found.rfind('.');
    picture_job job(run, group_faces, picture_name(found));
    if (found.size() > max_name_length) {
        return job.fail(error{error_kind::name_too_long});
    }
    std::uint8_t pixels[face_pixels_size] = {};
    if (!job.load_exactly(found.c_str(), pixels, face_file_size) ||
        !job.check(dec_ss_hc(pixels, pixels, face_width, face_height, mode))) {
        return false;
    }
    // What followed the four characters stays behind the new extension.
    const std::string tail = dot != std::string::npos && found.size() > dot + extension_length
                                 ? found.substr(dot + extension_length)
                                 : std::string();
    return job.write({nullptr, pixels, face_width, face_height, face_bits, marks_pixels(mode)},
                     tail);
}

std::vector<listed_picture> list_faces(const disc& source) {
    std::vector<listed_picture> out;
    for (const std::string& found : source.search(faces_pattern)) {
        out.push_back(
            {picture_name(found), group_faces, {found}, static_cast<unsigned>(out.size()), 0});
    }
    return out;
}

bool make_face(group_job& job, const listed_picture& picture) {
    dec_face(job.run(), picture.sources.front(), job.mode());
    return true;
}
