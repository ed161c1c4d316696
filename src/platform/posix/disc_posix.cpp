// The disc on a system without drive letters. Drive X is the directory ./x: when there
// is one (a folder or a link, as Wine names its drive links), else /mnt/x (where WSL
// mounts Windows drives). Disc file names match exactly first, then without regard to
// case, since the disc's own file system never minded case.
#include "platform/disc_access.hpp"

#include <algorithm>
#include <dirent.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>

struct disc_search {
    std::vector<std::string> names; // sorted in byte order
    std::size_t next = 0;
};

namespace {

constexpr std::size_t drive_root_length = 3; // "q:\"

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool same_ignoring_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

// Wildcard match without regard to case: * is any run of characters, ? any one.
bool wildcard_match(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' ||
                   (*pattern != '\0' && ascii_lower(*pattern) == ascii_lower(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

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
    std::string rest;
    if (is_ascii_letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        base = drive_directory(path[0]);
        rest = path + drive_root_length;
    } else {
        rest = path;
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

// The names in dir that pass keep(name), sorted in byte order.
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
    std::sort(names.begin(), names.end());
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
    const std::vector<std::string> matches = list_directory(
        host.dir, [&](const char* name) { return same_ignoring_case(name, host.name.c_str()); });
    if (matches.empty()) {
        return nullptr;
    }
    return std::fopen((host.dir + "/" + matches.front()).c_str(), "rb");
}

disc_search* find_first(const char* pattern, find_record* record) {
    const host_path host = to_host(pattern);
    auto* search = new (std::nothrow) disc_search{};
    if (search == nullptr) {
        return nullptr;
    }
    search->names = list_directory(host.dir, [&](const char* name) {
        return wildcard_match(host.name.c_str(), name) && is_regular_file(host.dir + "/" + name);
    });
    if (!find_next(search, record)) {
        delete search;
        return nullptr;
    }
    return search;
}

bool find_next(disc_search* search, find_record* record) {
    if (search->next >= search->names.size()) {
        return false;
    }
    set_found_name(record, search->names[search->next++].c_str());
    return true;
}

void find_close(disc_search* search) {
    delete search;
}
