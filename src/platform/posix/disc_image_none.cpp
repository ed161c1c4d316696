// Without the ISO 9660 library no file opens as a disc image: such a drive is empty.
#include "platform/posix/disc_image.hpp"

disc_image* image_open(const std::string&) {
    return nullptr;
}

void image_close(disc_image*) {}

std::vector<std::string> image_root_files(disc_image*) {
    return {};
}

std::FILE* image_open_file(disc_image*, const std::string&) {
    return nullptr;
}
