// The disc on a system without drive letters. Drive X is the directory ./x: when there
// is one (a folder or a link, as Wine names its drive links), else /mnt/x (where WSL
// mounts Windows drives). Disc file names match exactly first, then without regard to
// case, since the disc's own file system never minded case.
#include "platform/disc_access.hpp"
#include "platform/disc_names.hpp"
#include "platform/listed_search.hpp"

#include <algorithm>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool is_directory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string drive_directory(char letter) {
    const char lower = ascii_lower(letter);
    std::string link{lower, ':'};
    if (is_directory(link)) {
        return link;
    }
    return std::string("/mnt/") + lower;
}

struct host_path {
    std::string dir;
    std::string name;
};

// "q:\NAME" becomes the drive's directory and NAME; any other path is taken as a
// host path, with backslashes read as separators.
host_path to_host(const char* path) {
    std::string base;
    std::string rest = path;
    if (const char* name = after_drive_root(path)) {
        base = drive_directory(path[0]);
        rest = name;
    }
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
    const host_path host = to_host(path);
    if (host.name.empty()) {
        return nullptr;
    }
    if (std::FILE* f = std::fopen((host.dir + "/" + host.name).c_str(), "rb")) {
        return f;
    }
    std::vector<std::string> matches = list_directory(
        host.dir, [&](const char* name) { return same_ignoring_case(name, host.name.c_str()); });
    if (matches.empty()) {
        return nullptr;
    }
    // Of several names that differ only in case, the first in byte order.
    return std::fopen((host.dir + "/" + *std::min_element(matches.begin(), matches.end())).c_str(),
                      "rb");
}

disc_search* find_first(const char* pattern, find_record* record) {
    const host_path host = to_host(pattern);
    return start_listed_search(list_directory(host.dir,
                                              [&](const char* name) {
                                                  return wildcard_match(host.name.c_str(), name) &&
                                                         is_regular_file(host.dir + "/" + name);
                                              }),
                               record);
}
