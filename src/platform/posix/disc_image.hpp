// A disc image standing in for a drive: an ISO 9660 image of 2048-byte sectors, a raw
// image of 2352-byte sectors, or a CUE sheet naming one. Built where the ISO 9660
// library is at hand; elsewhere no file opens as an image.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct disc_image;

// Opens the image at path; null when it cannot be read as a disc.
disc_image* image_open(const std::string& path);
void image_close(disc_image* image);

// The files of the image's root directory, version suffixes (";1") dropped.
std::vector<std::string> image_root_files(disc_image* image);

// Opens a root file (its name as image_root_files gives it) for reading; the stream owns
// the image from then on and closes it with itself. Null when there is no such file (the
// image is then closed too). Sectors that cannot be read are read errors of the stream.
std::FILE* image_open_file(disc_image* image, const std::string& name);
