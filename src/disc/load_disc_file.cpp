#include "disc/load_disc_file.hpp"

#include "disc/cnx.hpp"
#include "platform/disc.hpp"
#include "platform/heap.hpp"

namespace {

constexpr char routine_loader[] = "load_disc_file";

} // namespace

result<std::uint32_t> load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                                     std::uint32_t capacity) {
    if (name == nullptr || buffer == nullptr || capacity > largest_block) {
        return error{error_kind::bad_argument, routine_loader};
    }
    // One read straight into the caller's buffer; a file longer than it is cut there.
    const disc_read got = source.read(name, buffer, capacity);
    if (!got.found) {
        return error{error_kind::file_not_found, nullptr, source.path_of(name)};
    }
    if (got.failed) {
        // A damaged disc must not pass for a short file.
        return error{error_kind::read_failed, nullptr, source.path_of(name)};
    }
    // Fewer than three bytes cannot hold the magic: nothing beyond the read is looked at.
    if (!is_cnx(buffer, got.count)) {
        return got.count;
    }
    return dec_cnxdat(buffer, buffer, got.count, capacity);
}
