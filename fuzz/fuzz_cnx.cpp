// CNX containers and their LZ streams. The input is a whole container; the room offered
// for the unpacked data comes from header byte 3, which the unpacker never looks at.
#include "cnx_reference.hpp"
#include "disc/cnx.hpp"
#include "scratch_dir.hpp"

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

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silence_stdout(); // the unpacker reports corrupt streams there
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > max_capacity) {
        return 0;
    }
    const auto length = static_cast<std::uint32_t>(size);
    const std::uint32_t room = offered_room(data, length);

    const bytes input = copy_of(data, length);
    const bytes apart(new std::uint8_t[room]);
    const status result = dec_cnxdat(input.get(), apart.get(), length, room);

    // In place, as the loader does it: one buffer holding the container and the room.
    const bytes shared(new std::uint8_t[std::max(length, room)]);
    std::memcpy(shared.get(), data, length);
    const status in_place = dec_cnxdat(shared.get(), shared.get(), length, room);
    if (in_place != result) {
        fail("in place", result, in_place);
    }
    if (std::memcmp(input.get(), data, length) != 0) {
        fail("input left untouched", 0, 1);
    }
    if (result == st_reported || result == err_argument || result == err_memory ||
        result == err_overrun) {
        // Corrupt or refused; what follows checks the stream on its own.
    } else if (result < 0) {
        fail("result code", st_reported, result);
    } else if (static_cast<std::uint32_t>(result) != claimed_size(data)) {
        fail("unpacked size", claimed_size(data), result);
    } else if (std::memcmp(apart.get(), shared.get(), static_cast<std::size_t>(result)) != 0) {
        fail("in place bytes equal", 0, 1);
    }

    // The stream alone, into exactly the claimed size: the same verdict as the container.
    if (length <= cnx_header_size || !is_cnx(data, length) || claimed_size(data) > room) {
        return 0;
    }
    const std::uint32_t claimed = claimed_size(data);
    const bytes stream = copy_of(data + cnx_header_size, length - cnx_header_size);
    const bytes exact(new std::uint8_t[claimed]);
    const status decoded = dec_cnxlz(stream.get(), exact.get(), length - cnx_header_size, claimed);
    const bytes plain(new std::uint8_t[claimed]);
    const status expected =
        cnx_reference_decode(stream.get(), plain.get(), length - cnx_header_size, claimed);
    if (decoded != expected) {
        fail("stream against the reference decoder", expected, decoded);
    }
    if (decoded == st_ok && std::memcmp(exact.get(), plain.get(), claimed) != 0) {
        fail("stream against the reference decoder, bytes", 0, 1);
    }
    if (result >= 0) {
        if (decoded != st_ok) {
            fail("stream alone", st_ok, decoded);
        }
        if (std::memcmp(exact.get(), apart.get(), claimed) != 0) {
            fail("stream alone bytes equal", 0, 1);
        }
    } else if (decoded != err_argument && decoded != err_reference && decoded != err_overrun) {
        fail("stream alone failure code", err_overrun, decoded);
    }
    return 0;
}
