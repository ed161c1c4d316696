// Drive letters on a system without them. Drive X is ./x: when there is one (a folder or
// a link, as Wine names its drive links), else /mnt/x (where WSL mounts Windows drives);
// either may be a disc image, a file rather than a folder.
#include "platform/disc_names.hpp"
#include "platform/memory_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <sys/stat.h>

namespace {

constexpr char mount_folder[] = "/mnt/";

// A file at place: the image in it, or an empty disc that says why there is none.
std::unique_ptr<disc> image_or_trouble(std::string root, const std::string& place) {
    std::unique_ptr<disc> image = open_image_disc(root, place);
    if (image == nullptr) {
        image = open_empty_disc(std::move(root));
        image->set_origin(place, place + " is a file, but " +
                                     (reads_disc_images() ? "no disc image this program can read"
                                                          : "this build reads no disc images"));
        return image;
    }
    image->set_origin(place);
    return image;
}

// Where the drive lives: ./x: when it is a folder or a file, else /mnt/x. Empty when
// neither is there.
std::string place_of_drive(char letter, struct stat& st) {
    std::string place{'.', '/', ascii_lower(letter), ':'};
    if (stat(place.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
        return place;
    }
    place = std::string(mount_folder) + ascii_lower(letter);
    return stat(place.c_str(), &st) == 0 ? place : std::string();
}

} // namespace

std::unique_ptr<disc> open_drive(const char* root) {
    if (!is_drive_root(root)) {
        return open_empty_disc(root);
    }
    struct stat st {};
    const std::string place = place_of_drive(root[0], st);
    std::unique_ptr<disc> found;
    if (place.empty()) {
        found = open_empty_disc(root);
        found->set_origin({}, std::string("no drive ") + ascii_lower(root[0]) +
                                  ": here: neither ./" + ascii_lower(root[0]) + ": nor " +
                                  mount_folder + ascii_lower(root[0]) + " exists");
        return found;
    }
    if (S_ISREG(st.st_mode)) {
        return image_or_trouble(root, place);
    }
    if (S_ISDIR(st.st_mode)) {
        found = open_folder_disc(root, place);
    }
    if (found == nullptr) {
        found = open_empty_disc(root);
    }
    found->set_origin(place);
    return found;
}

std::unique_ptr<disc> open_source(const std::string& source, std::string& error) {
    if (is_drive_letter(source)) {
        const std::string root = drive_root(source[0]);
        std::unique_ptr<disc> drive = open_drive(root.c_str());
        if (drive->place().empty()) {
            error = drive->trouble();
            return nullptr;
        }
        return drive;
    }
    struct stat st {};
    if (stat(source.c_str(), &st) != 0) {
        error = "cannot find '" + source + "'";
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        std::unique_ptr<disc> folder =
            open_folder_disc(source.ends_with('/') ? source : source + "/", source);
        if (folder == nullptr) {
            error = "cannot read the folder '" + source + "'";
            return nullptr;
        }
        folder->set_origin(source);
        return folder;
    }
    if (S_ISREG(st.st_mode)) {
        return image_or_trouble(source + ":", source);
    }
    error = "'" + source + "' is neither a folder nor a disc image";
    return nullptr;
}
