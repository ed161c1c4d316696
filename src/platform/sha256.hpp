// SHA-256 of a file the program has written, for the manifest: through a well-kept library
// where the build has one (nettle on Linux, the system's bcrypt on Windows).
#pragma once

#include <cstdio>
#include <string>

extern const bool sha256_built;

// What this build computes SHA-256 with, for --version: the library and its version, or the
// one it was built without.
struct sha256_library {
    const char* name;    // "nettle"; the one missing where sha256_built is false
    std::string version; // empty where the system's own library has none to tell
    bool system_library; // part of the system (Windows' bcrypt), not shipped beside it
};
sha256_library sha256_support();

// The SHA-256 of the file's bytes from its start, as 64 lower-case hexadecimal digits; empty
// when the file cannot be read back or the build has no SHA-256. The file must be open for
// reading and flushed.
std::string sha256_of(std::FILE* file);
