#include "disc/load_disc_file.hpp"

#include "disc/cnx.hpp"
#include "platform/disc_access.hpp"

#include <cstdio>

status load_disc_file(const char* path, std::uint8_t* buffer, std::uint32_t capacity) {
    if (path == nullptr || buffer == nullptr || capacity > load_max_capacity) {
        return err_argument;
    }
    std::FILE* file = open_disc_file(path);
    if (file == nullptr) {
        return errormes(err_open, path);
    }
    // One read straight into the caller's buffer; a file longer than it is cut there.
    const std::size_t count = std::fread(buffer, 1, capacity, file);
    const bool failed = count < capacity && std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        // A damaged disc must not pass for a short file.
        return errormes(err_read, path);
    }
    const auto read = static_cast<std::uint32_t>(count);
    // Fewer than three bytes cannot hold the magic: nothing beyond the read is looked at.
    if (!is_cnx(buffer, read)) {
        return static_cast<status>(read);
    }
    return errormes(dec_cnxdat(buffer, buffer, read, capacity), "dec_cnxdat");
}
