// Without libcdio no file is read as a disc image: such a drive is an empty disc.
#include "platform/posix/posix_discs.hpp"

bool reads_disc_images() {
    return false;
}

std::unique_ptr<disc> open_image_disc(std::string, const std::string&) {
    return nullptr;
}

std::string disc_image_support() {
    return "left out (built without libcdio)";
}
