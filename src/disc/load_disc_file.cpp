#include "disc/load_disc_file.hpp"

#include "disc/cnx.hpp"
#include "platform/disc.hpp"
#include "platform/heap.hpp"

status load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                      std::uint32_t capacity) {
    if (name == nullptr || buffer == nullptr || capacity > largest_block) {
        return err_argument;
    }
    // One read straight into the caller's buffer; a file longer than it is cut there.
    const disc_read got = source.read(name, buffer, capacity);
    if (!got.found) {
        return errormes(err_open, source.path_of(name).c_str());
    }
    if (got.failed) {
        // A damaged disc must not pass for a short file.
        return errormes(err_read, source.path_of(name).c_str());
    }
    // Fewer than three bytes cannot hold the magic: nothing beyond the read is looked at.
    if (!is_cnx(buffer, got.count)) {
        return static_cast<status>(got.count);
    }
    return errormes(dec_cnxdat(buffer, buffer, got.count, capacity), "dec_cnxdat");
}
