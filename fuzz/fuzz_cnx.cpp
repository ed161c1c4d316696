// CNX containers and their LZ streams. The input is a whole container; the room offered
// for the unpacked data comes from header byte 3, which the unpacker never looks at.
#include "cnx_reference.hpp"
#include "disc/cnx.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Enough for every container of the disc; larger claims are refused for want of room.
constexpr std::uint32_t max_capacity = 0x100000;
constexpr std::size_t room_byte = 3;
constexpr unsigned room_mask = 0x3;
constexpr unsigned room_one_short = 0;
constexpr unsigned room_exact = 1;
constexpr unsigned room_spare = 2; // what the sample containers select
constexpr std::uint32_t spare_bytes = 16;

using bytes = std::unique_ptr<std::uint8_t[]>;

// Exactly size bytes, so that the sanitizer sees the first byte read or written beyond.
bytes copy_of(const std::uint8_t* data, std::size_t size) {
    bytes block(new std::uint8_t[size]);
    std::memcpy(block.get(), data, size);
    return block;
}

std::uint32_t claimed_size(const std::uint8_t* data) {
    const std::uint8_t* p = data + cnx_unpacked_size_offset;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint32_t offered_room(const std::uint8_t* data, std::uint32_t size) {
    if (size < cnx_header_size) {
        return size;
    }
    const std::uint32_t claimed = claimed_size(data);
    std::uint64_t room = size;
    switch (data[room_byte] & room_mask) {
    case room_one_short:
        room = claimed == 0 ? 0 : claimed - 1;
        break;
    case room_exact:
        room = claimed;
        break;
    case room_spare:
        room = std::uint64_t{claimed} + spare_bytes;
        break;
    default: // as a loader's buffer that the file itself filled
        break;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(room, max_capacity));
}

[[noreturn]] void fail(const char* what, long expected, long got) {
    std::fprintf(stderr, "fuzz_cnx: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

// A result as one number and the routine that gave it: the size, or the console code.
struct outcome {
    status code = st_ok;
    const char* routine = nullptr;
};

outcome outcome_of(const result<std::uint32_t>& r) {
    return r ? outcome{static_cast<status>(*r), nullptr}
             : outcome{code_of(r.failure().kind), r.failure().routine};
}

bool named(const outcome& o, const char* routine) {
    return o.routine != nullptr && std::strcmp(o.routine, routine) == 0;
}

bool same_outcome(const outcome& a, const outcome& b) {
    return a.code == b.code && (a.routine == nullptr ? b.routine == nullptr : named(b, a.routine));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > max_capacity) {
        return 0;
    }
    const auto length = static_cast<std::uint32_t>(size);
    const std::uint32_t room = offered_room(data, length);

    const bytes input = copy_of(data, length);
    const bytes apart(new std::uint8_t[room]);
    const outcome unpacked = outcome_of(dec_cnxdat(input.get(), apart.get(), length, room));

    // In place, as the loader does it: one buffer holding the container and the room.
    const bytes shared(new std::uint8_t[std::max(length, room)]);
    std::memcpy(shared.get(), data, length);
    const outcome in_place = outcome_of(dec_cnxdat(shared.get(), shared.get(), length, room));
    if (!same_outcome(in_place, unpacked)) {
        fail("in place", unpacked.code, in_place.code);
    }
    if (std::memcmp(input.get(), data, length) != 0) {
        fail("input left untouched", 0, 1);
    }
    // A refused container names the container, a corrupt stream the stream's decoder.
    if (named(unpacked, routine_cnxdat)) {
        if (unpacked.code != err_argument && unpacked.code != err_memory &&
            unpacked.code != err_overrun) {
            fail("container refusal code", err_argument, unpacked.code);
        }
    } else if (named(unpacked, routine_cnxlz)) {
        if (unpacked.code != err_argument && unpacked.code != err_reference &&
            unpacked.code != err_overrun) {
            fail("stream failure code", err_overrun, unpacked.code);
        }
    } else if (unpacked.routine != nullptr || unpacked.code < 0) {
        fail("failure without its routine", -1, unpacked.code);
    } else if (static_cast<std::uint32_t>(unpacked.code) != claimed_size(data)) {
        fail("unpacked size", claimed_size(data), unpacked.code);
    } else if (std::memcmp(apart.get(), shared.get(), static_cast<std::size_t>(unpacked.code)) !=
               0) {
        fail("in place bytes equal", 0, 1);
    }

    // The stream alone, into exactly the claimed size: the same verdict as the container.
    if (length <= cnx_header_size || !is_cnx(data, length) || claimed_size(data) > room) {
        return 0;
    }
    const std::uint32_t claimed = claimed_size(data);
    const bytes stream = copy_of(data + cnx_header_size, length - cnx_header_size);
    const bytes exact(new std::uint8_t[claimed]);
    const ::result<void> lz =
        dec_cnxlz(stream.get(), exact.get(), length - cnx_header_size, claimed);
    const status decoded = lz ? st_ok : code_of(lz.failure().kind);
    const bytes plain(new std::uint8_t[claimed]);
    const status expected =
        cnx_reference_decode(stream.get(), plain.get(), length - cnx_header_size, claimed);
    if (decoded != expected) {
        fail("stream against the reference decoder", expected, decoded);
    }
    if (decoded == st_ok && std::memcmp(exact.get(), plain.get(), claimed) != 0) {
        fail("stream against the reference decoder, bytes", 0, 1);
    }
    // With room for it, the container hands up the stream's own verdict.
    const status verdict = unpacked.code >= 0 ? st_ok : unpacked.code;
    if (decoded != verdict || (unpacked.code < 0 && !named(unpacked, routine_cnxlz))) {
        fail("stream alone", verdict, decoded);
    }
    if (unpacked.code >= 0 && std::memcmp(exact.get(), apart.get(), claimed) != 0) {
        fail("stream alone bytes equal", 0, 1);
    }
    return 0;
}
