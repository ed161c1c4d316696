// SHA-256 of a file the program has written, for the manifest: through a well-kept library
// where the build has one (nettle on Linux, the system's bcrypt on Windows).
#pragma once

#include <cstdio>
#include <string>

extern const bool sha256_built;
// What this build computes SHA-256 with, for --version.
std::string sha256_support();

// The SHA-256 of the file's bytes from its start, as 64 lower-case hexadecimal digits; empty
// when the file cannot be read back or the build has no SHA-256. The file must be open for
// reading and flushed.
std::string sha256_of(std::FILE* file);
