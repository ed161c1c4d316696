// Disc images as discs: the same on every platform, over the one thing each platform
// supplies, a file read at an offset.
#pragma once

#include "image/image_file.hpp"
#include "platform/disc.hpp"

#include <memory>
#include <string>

// What became of opening a file for an image.
enum class file_state {
    opened,
    missing,      // nothing of that name, or a link to nothing
    looping_link, // a link that leads, through others, back to itself
    not_a_file,   // a folder, a pipe, a character device
    no_access,    // the user may not read it
    no_medium,    // a drive with no disc in it, a device of no size
    unreadable,   // the system could not open or read it
};

// What a message says of a file in that state, after its name ("is missing").
std::string state_words(file_state state);

// Opens a regular file or a block device for reading, never waiting on anything else.
std::unique_ptr<image_file> open_image_file(const std::string& path, file_state& state);

// The file a CUE sheet at sheet_path names: beside the sheet when the name is relative, the
// name as written first, else the first in byte order that differs from it in case alone.
std::string path_beside(const std::string& sheet_path, const std::string& name);

// The disc in the image at path: an ISO 9660 image of 2048-byte sectors (a drive's block
// device among them), a raw image of 2352-byte frames in mode 1 or mode 2, or a CUE sheet
// naming one. Names lose their version (";1"). Null, with why in trouble, when it is none.
std::unique_ptr<disc> open_image_disc(std::string root, const std::string& path,
                                      std::string& trouble);

// The same, from an image file already open; path names it in messages and places the files
// a sheet names.
std::unique_ptr<disc> image_disc_of(std::string root, const std::string& path,
                                    std::unique_ptr<image_file> file, std::string& trouble);
