// The disc on a system without drive letters. Drive X is ./x: when there is one (a folder
// or a link, as Wine names its drive links), else /mnt/x (where WSL mounts Windows
// drives); either may also be a disc image, a file rather than a folder. Disc file names
// match exactly first, then without regard to case, since the disc's own file system
// never minded case.
#include "platform/disc_access.hpp"
#include "platform/disc_names.hpp"
#include "platform/listed_search.hpp"
#include "platform/posix/disc_image.hpp"

#include <algorithm>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct drive {
    std::string path;
    bool image; // a disc image file, not a folder
};

// ./x: when it is a folder or a file (an image), else /mnt/x, whatever it is.
drive drive_of(char letter) {
    const char lower = ascii_lower(letter);
    std::string path{lower, ':'};
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
        path = std::string("/mnt/") + lower;
        if (stat(path.c_str(), &st) != 0) {
            return {path, false};
        }
    }
    return {path, S_ISREG(st.st_mode)};
}

// The one name of names that stands for wanted: itself, else the first in byte order
// that differs from it only in case. Empty when there is none.
std::string pick_name(const std::vector<std::string>& names, const std::string& wanted) {
    std::string folded;
    for (const std::string& name : names) {
        if (name == wanted) {
            return name;
        }
        if (same_ignoring_case(name.c_str(), wanted.c_str()) && (folded.empty() || name < folded)) {
            folded = name;
        }
    }
    return folded;
}

std::FILE* open_image_file(const std::string& image_path, const std::string& wanted) {
    disc_image* image = image_open(image_path);
    if (image == nullptr) {
        return nullptr;
    }
    const std::string name = pick_name(image_root_files(image), wanted);
    if (name.empty()) {
        image_close(image);
        return nullptr;
    }
    return image_open_file(image, name);
}

std::vector<std::string> image_matches(const std::string& image_path, const char* pattern) {
    disc_image* image = image_open(image_path);
    if (image == nullptr) {
        return {};
    }
    std::vector<std::string> names = image_root_files(image);
    image_close(image);
    std::erase_if(names,
                  [&](const std::string& name) { return !wildcard_match(pattern, name.c_str()); });
    return names;
}

struct host_path {
    std::string dir;
    std::string name;
};

// A path within base (a drive's folder, or empty for a host path), with backslashes read
// as separators, split into its folder and its last name.
host_path to_host(const std::string& base, std::string rest) {
    std::replace(rest.begin(), rest.end(), '\\', '/');
    const std::size_t slash = rest.rfind('/');
    if (slash == std::string::npos) {
        return {base.empty() ? std::string(".") : base, rest};
    }
    std::string head = rest.substr(0, slash);
    std::string name = rest.substr(slash + 1);
    if (base.empty()) {
        return {head.empty() ? std::string("/") : head, name};
    }
    return {head.empty() ? base : base + "/" + head, name};
}

// The names in dir that pass keep(name), in the order the directory gives them.
template <typename Keep>
std::vector<std::string> list_directory(const std::string& dir, Keep keep) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(d)) {
        if (keep(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(d);
    return names;
}

} // namespace

std::FILE* open_disc_file(const char* path) {
    host_path host;
    if (const char* name = after_drive_root(path)) {
        const drive d = drive_of(path[0]);
        if (d.image) {
            return *name != '\0' ? open_image_file(d.path, name) : nullptr;
        }
        host = to_host(d.path, name);
    } else {
        host = to_host("", path);
    }
    if (host.name.empty()) {
        return nullptr;
    }
    if (std::FILE* f = std::fopen((host.dir + "/" + host.name).c_str(), "rb")) {
        return f;
    }
    const std::string name =
        pick_name(list_directory(host.dir,
                                 [&](const char* found) {
                                     return same_ignoring_case(found, host.name.c_str());
                                 }),
                  host.name);
    return name.empty() ? nullptr : std::fopen((host.dir + "/" + name).c_str(), "rb");
}

disc_search* find_first(const char* pattern, find_record* record) {
    host_path host;
    if (const char* wanted = after_drive_root(pattern)) {
        const drive d = drive_of(pattern[0]);
        if (d.image) {
            return start_listed_search(image_matches(d.path, wanted), record);
        }
        host = to_host(d.path, wanted);
    } else {
        host = to_host("", pattern);
    }
    return start_listed_search(list_directory(host.dir,
                                              [&](const char* name) {
                                                  return wildcard_match(host.name.c_str(), name) &&
                                                         is_regular_file(host.dir + "/" + name);
                                              }),
                               record);
}
