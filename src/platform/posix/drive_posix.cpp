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

// What stands at a path, as far as a disc is concerned.
enum class entry_kind {
    missing,
    dangling_link,
    looping_link,
    no_access,
    unopenable, // the system gave another reason (a name too long, a failing disk)
    folder,
    image_file,
    other,
};

struct entry {
    entry_kind kind;
    const char* what; // for other: a pipe, a device, a socket
    int error = 0;    // for unopenable: the system's error
};

entry entry_at(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (error == EACCES) {
            return {entry_kind::no_access, nullptr};
        }
        if (error == ELOOP) {
            return {entry_kind::looping_link, nullptr};
        }
        if (error != ENOENT) {
            return {entry_kind::unopenable, nullptr, error};
        }
        struct stat link {};
        return {lstat(path.c_str(), &link) == 0 ? entry_kind::dangling_link : entry_kind::missing,
                nullptr};
    }
    if (S_ISDIR(st.st_mode)) {
        return {entry_kind::folder, nullptr};
    }
    // A regular file, or a drive's block device: an image can be read from either.
    if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) {
        return {entry_kind::image_file, nullptr};
    }
    return {entry_kind::other, S_ISFIFO(st.st_mode)   ? "a pipe"
                               : S_ISCHR(st.st_mode)  ? "a character device"
                               : S_ISSOCK(st.st_mode) ? "a socket"
                                                      : "no file"};
}

// Why what stands at place is no disc: empty when it may be one.
std::string trouble_of(const std::string& place, const entry& e) {
    switch (e.kind) {
    case entry_kind::dangling_link:
        return place + " is a link to nothing";
    case entry_kind::looping_link:
        return place + " " + state_words(file_state::looping_link);
    case entry_kind::unopenable:
        return "cannot open '" + place + "': " + system_reason(e.error);
    case entry_kind::no_access:
        return place + " may not be read";
    case entry_kind::other:
        return place + " is " + e.what + ", neither a folder nor a disc image";
    default:
        return {};
    }
}

// The disc at place, or an empty disc that says why there is none.
std::unique_ptr<disc> disc_at(std::string root, const std::string& place, const entry& e) {
    std::unique_ptr<disc> found;
    std::string trouble = trouble_of(place, e);
    if (e.kind == entry_kind::image_file) {
        found = open_image_disc(root, place, trouble);
    } else if (e.kind == entry_kind::folder) {
        found = open_folder_disc(root, place);
        if (found == nullptr) {
            trouble = place + " may not be read";
        }
    }
    if (found == nullptr) {
        found = open_empty_disc(std::move(root));
    }
    found->set_origin(place, trouble);
    return found;
}

} // namespace

std::unique_ptr<disc> open_drive(const char* root) {
    if (!is_drive_root(root)) {
        return open_empty_disc(root);
    }
    const char letter = ascii_lower(root[0]);
    const std::string local{'.', '/', letter, ':'};
    const std::string mounted = std::string(mount_folder) + letter;
    if (const entry here = entry_at(local); here.kind != entry_kind::missing) {
        return disc_at(root, local, here);
    }
    if (const entry there = entry_at(mounted); there.kind != entry_kind::missing) {
        return disc_at(root, mounted, there);
    }
    std::unique_ptr<disc> none = open_empty_disc(root);
    std::string trouble = std::string("no drive ") + letter + ": here: neither " + local + " nor " +
                          mounted + " exists";
    // A folder named like the letter is most likely what was meant.
    const std::string folder{letter};
    if (entry_at(folder).kind == entry_kind::folder) {
        trouble += " (the folder " + folder + " is written ./" + folder + ")";
    }
    none->set_origin({}, trouble);
    return none;
}

std::unique_ptr<disc> open_source(const std::string& source, std::string& error) {
    std::unique_ptr<disc> found;
    if (is_drive_letter(source)) {
        found = open_drive(drive_root(source[0]).c_str());
    } else if (const entry e = entry_at(source); e.kind == entry_kind::missing) {
        error = "cannot find '" + source + "'";
        return nullptr;
    } else if (e.kind == entry_kind::folder) {
        found = disc_at(source.ends_with('/') ? source : source + "/", source, e);
    } else {
        found = disc_at(source + ":", source, e);
    }
    // A source the user named that is no disc ends the run before it starts.
    if (!found->trouble().empty()) {
        error = found->trouble();
        return nullptr;
    }
    return found;
}
