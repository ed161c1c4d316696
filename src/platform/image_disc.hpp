// Disc images as discs: the same on every platform, over the one thing each platform
// supplies, a file read at an offset.
#pragma once

#include "core/error.hpp"
#include "image/image_file.hpp"
#include "image/image_formats.hpp"
#include "platform/disc.hpp"

#include <memory>
#include <string>

// Opens a regular file or a block device for reading, never waiting on anything else. The
// error names path, with the kind of what stands there and the system's number.
result<std::unique_ptr<image_file>> open_image_file(const std::string& path);

// The file a CUE sheet at sheet_path names: beside the sheet when the name is relative, the
// name as written first, else the first in byte order that differs from it in case alone.
std::string path_beside(const std::string& sheet_path, const std::string& name);

// The same, opened: what a sheet's opener is given.
result<named_file> open_file_beside(const std::string& sheet_path, const std::string& name);

// The path of the file that path leads to, through links (a drive letter's link to the
// image): its name tells the format where the content does not. path where it leads to none.
std::string path_followed(const std::string& path);

// The disc in the image at path, of a format of image_formats(): an ISO 9660 image of
// 2048-byte sectors (a drive's block device among them), a raw image of 2352-byte frames in
// mode 1 or mode 2, a description naming one (a CUE sheet, a CloneCD control file, an
// Alcohol descriptor) or a Nero image. Names lose their version (";1").
result<std::unique_ptr<disc>> open_image_disc(std::string root, const std::string& path);

// The same, from an image file already open; path names it in errors and places the files
// a sheet names.
result<std::unique_ptr<disc>> image_disc_of(std::string root, const std::string& path,
                                            std::unique_ptr<image_file> file);
