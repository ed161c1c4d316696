// What stands at a path the user names for a file the program writes (the manifest), and
// whether two paths lead to one file.
#pragma once

#include "core/error.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// A file as the system tells files apart: its device and its number there.
struct file_identity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool known = false;

    bool same_as(const file_identity& other) const {
        return known && other.known && device == other.device && file == other.file;
    }
};

enum class file_type { none, regular, folder, pipe, device, socket, other };

struct file_facts {
    file_type type = file_type::none; // of what the path leads to, links followed
    bool link = false;                // the path itself is a symbolic link
    bool writable = false;            // this user may open it for writing
    file_identity identity;           // of what it leads to
    int error = 0;                    // why it could not be looked at, when not for its absence
};

file_facts facts_of(const std::string& path);
// The file standard output goes to.
file_identity standard_output_identity();

// Opens what stands at path for writing as it stands, links followed, never replacing it: a
// regular file is emptied first, a new one made. Null, with the system's reason.
result<std::FILE*> open_in_place(const std::string& path);

// The path made absolute, its links resolved where it exists; the path as given when the
// system cannot tell.
std::string absolute_path(const std::string& path);

// The system's words for an error number, as the C locale has them: a line keeps its words
// whatever language the locale's messages are in.
inline std::string system_reason(int error) {
#ifdef __GLIBC__
    if (const char* words = strerrordesc_np(error); words != nullptr) {
        return words;
    }
#endif
    return std::strerror(error);
}

// The system's words for an error code of its own, where it has codes beside errno (Windows'
// GetLastError); elsewhere the code is an errno.
std::string system_code_reason(std::uint64_t code);
