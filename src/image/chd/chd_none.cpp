// The build without the codecs' libraries: a CHD image is told, and not read.
#include "image/chd/chd.hpp"
#include "image/chd/header.hpp"

result<opened_image> open_chd(std::unique_ptr<image_file>, const std::string& path, file_beside) {
    return chd_error(error_kind::format_left_out, path);
}
