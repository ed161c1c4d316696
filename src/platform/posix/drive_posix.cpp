// Drive letters on a system without them. Drive X is ./x: when there is one (a folder or
// a link, as Wine names its drive links), else /mnt/x (where WSL mounts Windows drives);
// either may be a disc image, a file rather than a folder.
#include "core/ascii.hpp"
#include "platform/disc_names.hpp"
#include "platform/image_disc.hpp"
#include "platform/posix/posix_discs.hpp"

#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr char mount_folder[] = "/mnt/";

// What may stand at a path for a disc: nothing, a folder, or a file an image is read from.
enum class entry_kind {
    missing,
    folder,
    image_file,
};

error place_error(error_kind kind, const std::string& place, error_detail detail = {},
                  int number = 0) {
    error e;
    e.kind = kind;
    e.path = place;
    e.detail = detail;
    e.system_error = number;
    return e;
}

// What stands at path, as far as a disc is concerned; the error when it can be none.
result<entry_kind> entry_at(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int number = errno;
        if (number == EACCES) {
            return place_error(error_kind::no_access, path, {}, number);
        }
        if (number == ELOOP) {
            return place_error(error_kind::looping_link, path, {}, number);
        }
        if (number != ENOENT) {
            return place_error(error_kind::unopenable, path, {}, number);
        }
        struct stat link {};
        if (lstat(path.c_str(), &link) == 0) {
            return place_error(error_kind::file_not_found, path, error_detail::dangling_link,
                               number);
        }
        return entry_kind::missing;
    }
    if (S_ISDIR(st.st_mode)) {
        return entry_kind::folder;
    }
    // A regular file, or a drive's block device: an image can be read from either.
    if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) {
        return entry_kind::image_file;
    }
    return place_error(error_kind::not_a_file, path,
                       S_ISFIFO(st.st_mode)   ? error_detail::named_pipe
                       : S_ISCHR(st.st_mode)  ? error_detail::character_device
                       : S_ISSOCK(st.st_mode) ? error_detail::socket
                                              : error_detail::odd_file);
}

// The disc at place, which entry tells of.
result<std::unique_ptr<disc>> open_place(std::string root, const std::string& place,
                                         const result<entry_kind>& entry) {
    if (!entry) {
        return entry.failure();
    }
    if (*entry == entry_kind::image_file) {
        return open_image_disc(std::move(root), place);
    }
    std::unique_ptr<disc> folder = open_folder_disc(std::move(root), place);
    if (folder == nullptr) {
        return place_error(error_kind::no_access, place);
    }
    return folder;
}

// The disc at place, or an empty disc and why there is none.
drive_disc disc_at(std::string root, const std::string& place, const result<entry_kind>& entry) {
    result<std::unique_ptr<disc>> found = open_place(root, place, entry);
    drive_disc drive;
    if (found) {
        drive.found = std::move(found.value());
    } else {
        drive.found = open_empty_disc(std::move(root));
        drive.why_empty = std::move(found.failure());
    }
    drive.found->set_place(place);
    return drive;
}

} // namespace

drive_disc open_drive(const char* root) {
    if (!is_drive_root(root)) {
        return {open_empty_disc(root), {}};
    }
    const char letter = ascii_lower(root[0]);
    const std::string local{'.', '/', letter, ':'};
    const std::string mounted = std::string(mount_folder) + letter;
    for (const std::string& place : {local, mounted}) {
        if (const result<entry_kind> entry = entry_at(place);
            !entry || *entry != entry_kind::missing) {
            return disc_at(root, place, entry);
        }
    }
    // A folder named like the letter is most likely what was meant.
    const result<entry_kind> folder = entry_at(std::string{letter});
    error none = place_error(error_kind::no_drive, local,
                             folder && *folder == entry_kind::folder ? error_detail::letter_folder
                                                                     : error_detail::drive_letter);
    none.subject = mounted;
    none.figures[0] = static_cast<unsigned char>(letter);
    return {open_empty_disc(root), std::move(none)};
}

result<std::unique_ptr<disc>> open_source(const std::string& source) {
    drive_disc found;
    if (is_drive_letter(source)) {
        found = open_drive(drive_root(source[0]).c_str());
    } else if (const result<entry_kind> entry = entry_at(source);
               entry && *entry == entry_kind::missing) {
        return place_error(error_kind::file_not_found, source, {}, ENOENT);
    } else if (entry && *entry == entry_kind::folder) {
        found = disc_at(source.ends_with('/') ? source : source + "/", source, entry);
    } else {
        found = disc_at(source + ":", source, entry);
    }
    // A source the user named that is no disc ends the run before it starts.
    if (found.why_empty) {
        return std::move(*found.why_empty);
    }
    return std::move(found.found);
}
