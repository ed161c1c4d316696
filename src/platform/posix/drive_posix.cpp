// Drive letters on a system without them. Drive X is ./x: when there is one (a folder or
// a link, as Wine names its drive links), else /mnt/x (where WSL mounts Windows drives);
// either may be a disc image, a file rather than a folder.
#include "platform/disc_names.hpp"
#include "platform/memory_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <sys/stat.h>

namespace {

constexpr char mount_folder[] = "/mnt/";

bool is_drive_root(const char* root) {
    return is_ascii_letter(root[0]) && root[1] == ':' && root[2] == '\\' && root[3] == '\0';
}

} // namespace

std::unique_ptr<disc> open_drive(const char* root) {
    if (!is_drive_root(root)) {
        return open_empty_disc(root);
    }
    const char letter = ascii_lower(root[0]);
    std::string place{letter, ':'};
    struct stat st {};
    if (stat(place.c_str(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
        place = std::string(mount_folder) + letter;
        if (stat(place.c_str(), &st) != 0) {
            return open_empty_disc(root);
        }
    }
    std::unique_ptr<disc> found;
    if (S_ISDIR(st.st_mode)) {
        found = open_folder_disc(root, place);
    } else if (S_ISREG(st.st_mode)) {
        found = open_image_disc(root, place);
    }
    return found != nullptr ? std::move(found) : open_empty_disc(root);
}
