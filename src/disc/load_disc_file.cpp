#include "disc/load_disc_file.hpp"

#include "disc/cnx.hpp"
#include "platform/disc.hpp"
#include "platform/heap.hpp"

namespace {

constexpr char routine_loader[] = "load_disc_file";

status fail(fault& failure, fault what) {
    failure = std::move(what);
    return failure.code;
}

} // namespace

status load_disc_file(const disc& source, const char* name, std::uint8_t* buffer,
                      std::uint32_t capacity, fault& failure) {
    if (name == nullptr || buffer == nullptr || capacity > largest_block) {
        return fail(failure, {err_argument, routine_loader, {}, {}});
    }
    // One read straight into the caller's buffer; a file longer than it is cut there.
    const disc_read got = source.read(name, buffer, capacity);
    if (!got.found) {
        return fail(failure, {err_open, nullptr, source.path_of(name), {}});
    }
    if (got.failed) {
        // A damaged disc must not pass for a short file.
        return fail(failure, {err_read, nullptr, source.path_of(name), {}});
    }
    // Fewer than three bytes cannot hold the magic: nothing beyond the read is looked at.
    if (!is_cnx(buffer, got.count)) {
        return static_cast<status>(got.count);
    }
    const outcome unpacked = dec_cnxdat(buffer, buffer, got.count, capacity);
    if (unpacked.code < 0) {
        return fail(failure, {unpacked.code, unpacked.routine, {}, {}});
    }
    return unpacked.code;
}
