// Files the program writes: the pictures, in the current folder.
#pragma once

#include <cstdio>

// Creates the file `name` for writing, or empties the one there. Null when it cannot, and
// when the name is taken by anything but a regular file (or a link to one): a pipe, a
// device or a folder of that name is left as it is and never waited on.
std::FILE* create_output_file(const char* name);
