// The disc image formats this program reads, one row each: how -V and --help name it, the
// names its files go by, how its content is told and how its sectors are opened. A new
// format is an opener and one row.
#pragma once

#include "core/error.hpp"
#include "image/image_file.hpp"
#include "image/sectors.hpp"

#include <memory>
#include <span>
#include <string>
#include <string_view>

// A file an image names (a sheet's track), as the platform opened it.
struct named_file {
    std::unique_ptr<image_file> file;
    std::string path; // where it was found, beside the image
};

// Opens the file that the image at image_path names as name: the platform's own, which
// knows where files lie and how they are opened. A name that is an extension alone (".img")
// stands for the image's own name with that extension, the name of the file a link to the
// image leads to: CloneCD names its frames so.
using file_beside = result<named_file> (*)(const std::string& image_path, const std::string& name);

// The data track an image opened to, and the other file it was read from, if any.
struct opened_image {
    std::unique_ptr<sector_source> sectors;
    std::string track_path;
};

struct image_format {
    const char* name;                             // as -V names it
    const char* in_help;                          // as --help names it
    std::span<const std::string_view> extensions; // the file names it goes by, without the dot
    bool extensions_shown;                        // -V gives them in brackets after the name
    bool devices; // a drive's device reads as this format, where the system has them
    // Whether the file's content is of this format.
    bool (*probe)(const image_file& file);
    // The data track; path names the image in errors and places the files it names.
    result<opened_image> (*open)(std::unique_ptr<image_file> file, const std::string& path,
                                 file_beside beside);
    // This build reads it. A format left out (its libraries were not at hand) is still
    // told, and its opener says so; -V and --help leave it out.
    bool built = true;
};

std::span<const image_format> image_formats();

// The format of the file at path: the first whose probe takes its content, else the first
// whose extension its name has, in any case. Null when neither tells.
const image_format* image_format_of(const image_file& file, std::string_view path);

// The formats, as -V lists them: "A, B and C". devices: the system reads drives' devices.
std::string image_format_support(bool devices);

// The formats, as --help lists them: "A, B, C".
std::string image_formats_in_help();

// An error of an image's own: of kind, naming path, and the format where the words name it
// ("a damaged Nero image").
error image_error(error_kind kind, const std::string& path, std::string_view format = {});

// The name of the file an image names: name, or for an extension alone (".img": one dot, at
// the start) the image's own name (the last part of image) with that extension in place of
// its own.
std::string name_beside(const std::string& image, const std::string& name);

// Why the file that the image at path names (shown as shown) could not be opened: the
// opener's error, told as the image's.
error track_file_error(error why, const std::string& path, const std::string& shown);

// The data track in the file that the image at path names (name), framed as frames and
// starting start bytes in, opened through beside. The file's own errors name it as the
// image's track, as shown.
result<opened_image> open_track_beside(const std::string& path, const std::string& name,
                                       const std::string& shown, framing frames,
                                       std::uint64_t start, file_beside beside);
