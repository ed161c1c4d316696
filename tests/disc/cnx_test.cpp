#include "disc/cnx.hpp"

#include "cnx_reference.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Decodes a stream into a buffer of `room` bytes that starts out as 0xEE, with dec_cnxlz or
// the plain reference decoder.
struct decoded {
    status result;
    bytes out;
};

using decoder = status (*)(const std::uint8_t*, std::uint8_t*, std::uint32_t, std::uint32_t);

// dec_cnxlz's result as the code its console message has, as the reference decoder gives it.
status lz(const std::uint8_t* stream, std::uint8_t* output, std::uint32_t length,
          std::uint32_t expected) {
    const result<void> r = dec_cnxlz(stream, output, length, expected);
    return r ? st_ok : code_of(r.failure().kind);
}

decoded decode(const bytes& stream, std::uint32_t expected, std::size_t room = 64,
               decoder decode_with = lz) {
    decoded d{0, bytes(room, 0xEE)};
    const bytes exact(stream); // no spare capacity: the sanitizer sees a read past the end
    d.result =
        decode_with(exact.data(), d.out.data(), static_cast<std::uint32_t>(exact.size()), expected);
    return d;
}

bytes prefix(const bytes& b, std::size_t n) {
    return bytes(b.begin(), b.begin() + n);
}

TEST(CnxStream, LiteralBackReferenceAndSkipThenEnd) {
    // flag 09: literal 61, back-reference 00 00 (distance 1, length 4), skip 0; flag 00 ends.
    const decoded d = decode({0x09, 0x61, 0x00, 0x00, 0x00, 0x00}, 5);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(prefix(d.out, 6), (bytes{0x61, 0x61, 0x61, 0x61, 0x61, 0xEE}));
}

TEST(CnxStream, ZeroFlagWhileNotFullOpensASkipGroup) {
    const decoded d = decode({0x00, 0x02, 0x61, 0x62, 0x05, 0x61, 0x62, 0x00, 0x00}, 2);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(prefix(d.out, 3), (bytes{0x61, 0x62, 0xEE}));
}

TEST(CnxStream, EmptyOutputEndsAtOnce) {
    EXPECT_EQ(decode({0x00}, 0).result, 0);
    const std::uint8_t none[1] = {0x00};
    std::uint8_t out[1] = {0xEE};
    EXPECT_EQ(lz(none, out, 0, 0), -505); // not even a flag byte
}

TEST(CnxStream, BytesAfterTheEndAreNeverRead) {
    const decoded d = decode({0x09, 0x61, 0x00, 0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0x03}, 5);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(prefix(d.out, 6), (bytes{0x61, 0x61, 0x61, 0x61, 0x61, 0xEE}));
}

TEST(CnxStream, LiteralRunCopiesItsBytes) {
    // flag 0F: run of 3, run of 0, then a skip ends the group.
    const decoded d = decode({0x0F, 0x03, 0x10, 0x20, 0x30, 0x00, 0x00, 0x00, 0x00}, 3);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(prefix(d.out, 4), (bytes{0x10, 0x20, 0x30, 0xEE}));
}

TEST(CnxStream, OverlappingBackReferenceRepeatsWhatItWrites) {
    // Run "ab", then distance 2, length 6: the copy reads what it has just written.
    const decoded abab = decode({0x0B, 0x02, 0x61, 0x62, 0x00, 0x22, 0x00, 0x00}, 8);
    EXPECT_EQ(abab.result, 0);
    EXPECT_EQ(prefix(abab.out, 9), (bytes{'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b', 0xEE}));

    // B = 1F with A = 0: distance 1, length 35, the last byte written 35 more times.
    const decoded longest = decode({0x09, 0x7A, 0x00, 0x1F, 0x00, 0x00}, 36);
    EXPECT_EQ(longest.result, 0);
    bytes expected(36, 0x7A);
    expected.push_back(0xEE);
    EXPECT_EQ(prefix(longest.out, 37), expected);
}

// Back-references of every distance from 1 to 40 and every length from 4 to 35, each in a
// group of its own after a run of 40 new bytes (so that no copy reads a repeat of an
// earlier one), the group ended by a skip of 0; then `tail_groups` groups of four 255-byte
// runs, which leave every back-reference the room to go through the fast loop.
bytes every_distance_stream(int tail_groups, bytes& expected) {
    constexpr std::uint8_t run_backref_skip = 0x0B;
    constexpr std::uint32_t fresh = 40;
    bytes stream;
    std::uint8_t next = 1;
    for (std::uint32_t distance = 1; distance <= 40; ++distance) {
        for (std::uint32_t length = 4; length <= 35; ++length) {
            stream.push_back(run_backref_skip);
            stream.push_back(fresh);
            for (std::uint32_t k = 0; k < fresh; ++k, next += 7) {
                stream.push_back(next);
                expected.push_back(next);
            }
            stream.push_back(static_cast<std::uint8_t>((distance - 1) >> 3));
            stream.push_back(static_cast<std::uint8_t>(((distance - 1) & 7) << 5 | (length - 4)));
            stream.push_back(0x00);
            const std::size_t o = expected.size();
            for (std::uint32_t k = 0; k < length; ++k) {
                expected.push_back(expected[o - distance + k]);
            }
        }
    }
    for (int group = 0; group < tail_groups; ++group) {
        stream.push_back(0xFF);
        for (int run = 0; run < 4; ++run) {
            stream.push_back(0xFF);
            for (int k = 0; k < 255; ++k) {
                const auto b = static_cast<std::uint8_t>(k ^ run);
                stream.push_back(b);
                expected.push_back(b);
            }
        }
    }
    stream.push_back(0x00);
    return stream;
}

TEST(CnxStream, EveryDistanceAndLengthCopiesAsByteByByte) {
    // Near the end, where every command is tested for room, and in the fast loop.
    for (const int tail_groups : {0, 2}) {
        bytes expected;
        const bytes stream = every_distance_stream(tail_groups, expected);
        const auto size = static_cast<std::uint32_t>(expected.size());
        const decoded d = decode(stream, size, size + 16);
        EXPECT_EQ(d.result, 0) << tail_groups;
        EXPECT_EQ(prefix(d.out, size), expected) << tail_groups;
        EXPECT_EQ(bytes(d.out.begin() + size, d.out.end()), bytes(16, 0xEE))
            << "nothing past the end";
    }
}

// Eight groups of a 255-byte run, then `literals` single bytes, then a back-reference of
// distance 2048 (A = FF, B = E0) and length 4.
bytes far_reference_stream(int literals, bytes& expected) {
    bytes stream;
    for (int run = 0; run < 8; ++run) {
        stream.insert(stream.end(), {0x03, 0xFF});
        for (int k = 0; k < 255; ++k) {
            const auto v = static_cast<std::uint8_t>(run * 31 + k);
            stream.push_back(v);
            expected.push_back(v);
        }
        stream.push_back(0x00); // the skip that ends the group
    }
    for (int k = 0; k < literals; k += 4) {
        const int n = std::min(4, literals - k);
        stream.push_back(static_cast<std::uint8_t>(0x55 >> (2 * (4 - n)))); // n literals
        for (int j = 0; j < n; ++j) {
            stream.push_back(static_cast<std::uint8_t>(k + j + 1));
            expected.push_back(static_cast<std::uint8_t>(k + j + 1));
        }
        if (n < 4) {
            stream.push_back(0x00);
        }
    }
    stream.insert(stream.end(), {0x02, 0xFF, 0xE0, 0x00, 0x00});
    expected.insert(expected.end(), {expected[0], expected[1], expected[2], expected[3]});
    return stream;
}

TEST(CnxStream, BackReferenceReachesExactly2048Bytes) {
    bytes expected;
    const bytes stream = far_reference_stream(8, expected);
    ASSERT_EQ(expected.size(), 2052u);
    const decoded d = decode(stream, 2052, 2052);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.out, expected);

    // With one byte less behind it, the same reference points before the start.
    bytes shorter;
    EXPECT_EQ(decode(far_reference_stream(7, shorter), 2051, 2051).result, -504);
}

// A valid stream of random commands, long enough that most groups go through the fast loop.
bytes random_stream(std::mt19937& random, std::uint32_t& size) {
    bytes stream;
    std::uint32_t o = 0;
    const auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    for (int group = 0; group < 600; ++group) {
        unsigned flags = 0;
        bytes operands;
        int n = 0;
        for (; n < 4; ++n) {
            const std::uint32_t kind = pick(o == 0 ? 2 : 10);
            if (kind == 0) { // a skip, with filler, ends the group
                const std::uint32_t k = pick(4);
                operands.push_back(static_cast<std::uint8_t>(k));
                operands.insert(operands.end(), k, static_cast<std::uint8_t>(pick(256)));
                break;
            }
            if (kind == 1 || kind == 2) { // a run, sometimes long
                const std::uint32_t k = pick(kind == 1 ? 256 : 20);
                flags |= 3u << (2 * n);
                operands.push_back(static_cast<std::uint8_t>(k));
                for (std::uint32_t j = 0; j < k; ++j) {
                    operands.push_back(static_cast<std::uint8_t>(pick(4) + j % 3));
                }
                o += k;
            } else if (kind == 3) {
                flags |= 1u << (2 * n);
                operands.push_back(static_cast<std::uint8_t>(pick(256)));
                o += 1;
            } else { // back-references, mostly near
                const std::uint32_t far = pick(4) == 0 ? 2048 : 20;
                const std::uint32_t distance = 1 + pick(std::min(far, o));
                const std::uint32_t length = 4 + pick(32);
                flags |= 2u << (2 * n);
                operands.push_back(static_cast<std::uint8_t>((distance - 1) >> 3));
                operands.push_back(static_cast<std::uint8_t>((distance - 1) << 5 | (length - 4)));
                o += length;
            }
        }
        stream.push_back(static_cast<std::uint8_t>(flags));
        stream.insert(stream.end(), operands.begin(), operands.end());
        if (n == 4 && o == 0) {
            stream.push_back(0x00); // keep the next flag byte from ending an empty output
        }
    }
    stream.push_back(0x00);
    size = o;
    return stream;
}

TEST(CnxStream, AgreesWithTheReferenceDecoderByteForByte) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        std::uint32_t size = 0;
        bytes stream = random_stream(random, size);
        const decoded expected = decode(stream, size, size, cnx_reference_decode);
        ASSERT_EQ(expected.result, 0) << "round " << round;
        const decoded d = decode(stream, size, size);
        ASSERT_EQ(d.result, 0) << "round " << round;
        ASSERT_EQ(d.out, expected.out) << "round " << round;
        // Damaged copies must fail with the reference decoder's code, or decode as it does.
        for (int damage = 0; damage < 20; ++damage) {
            bytes broken = stream;
            broken[random() % broken.size()] = static_cast<std::uint8_t>(random());
            if (random() % 4 == 0) {
                broken.resize(random() % broken.size());
            }
            const std::uint32_t room = size + static_cast<std::uint32_t>(random() % 64);
            const decoded want = decode(broken, room, room, cnx_reference_decode);
            const decoded got = decode(broken, room, room);
            ASSERT_EQ(got.result, want.result) << "round " << round << ", damage " << damage;
            if (want.result == 0) {
                ASSERT_EQ(got.out, want.out);
            }
        }
    }
}

// Every flag byte as the last group but `tail` literals, each command as long as it can be:
// runs and skips of 255, back-references of 35 bytes from 1 and from 40 back. Whether a
// group goes through the fast loop or the tested path, the output must be the reference
// decoder's and nothing past it may be written.
TEST(CnxStream, EveryGroupShapeEndsExactly) {
    constexpr std::size_t guard = 64;
    for (unsigned flags = 0; flags < 256; ++flags) {
        for (const std::uint32_t tail : {0u, 1u, 3u, 40u, 300u}) {
            bytes stream = {0x03, 255};
            for (int k = 0; k < 255; ++k) {
                stream.push_back(static_cast<std::uint8_t>(k * 7));
            }
            stream.push_back(0x00);
            stream.push_back(static_cast<std::uint8_t>(flags));
            std::uint32_t size = 255;
            for (unsigned n = 0; n < 4; ++n) {
                const unsigned code = (flags >> (2 * n)) & 3;
                if (code == 0 || code == 3) {
                    stream.push_back(255);
                    for (int k = 0; k < 255; ++k) {
                        stream.push_back(static_cast<std::uint8_t>(k + n));
                    }
                    if (code == 0) {
                        break;
                    }
                    size += 255;
                } else if (code == 1) {
                    stream.push_back(static_cast<std::uint8_t>(0xA0 + n));
                    size += 1;
                } else { // distance 1 or 40, length 35
                    stream.push_back(n % 2 == 0 ? 0x00 : 0x04);
                    stream.push_back(n % 2 == 0 ? 0x1F : 0xFF);
                    size += 35;
                }
            }
            for (std::uint32_t k = 0; k < tail; k += 4) {
                stream.push_back(0x55); // four literals
                for (std::uint32_t j = k; j < k + 4; ++j) {
                    stream.push_back(static_cast<std::uint8_t>(j));
                }
                size += 4;
            }
            stream.push_back(0x00);
            const decoded expected = decode(stream, size, size, cnx_reference_decode);
            ASSERT_EQ(expected.result, 0) << flags;
            const decoded d = decode(stream, size, size + guard);
            ASSERT_EQ(d.result, 0) << flags << " " << tail;
            ASSERT_EQ(prefix(d.out, size), expected.out) << flags << " " << tail;
            ASSERT_EQ(bytes(d.out.begin() + size, d.out.end()), bytes(guard, 0xEE))
                << "nothing past the end: " << flags << " " << tail;
        }
    }
}

TEST(CnxStream, BackReferenceBeforeTheStartIsRefused) {
    EXPECT_EQ(decode({0x02, 0x00, 0x00, 0x00}, 0).result, -504);
    EXPECT_EQ(decode({0x02, 0x00, 0x00, 0x00}, 100).result, -504);
    // Distance is tested before length: 1 byte written, distance 2, length too long.
    EXPECT_EQ(decode({0x09, 0x61, 0x00, 0x3F, 0x00, 0x00}, 2).result, -504);
}

TEST(CnxStream, FullOutputStillRunsHarmlessCommands) {
    // Once full, a run of 0 and a skip pass...
    EXPECT_EQ(decode({0x0D, 0x61, 0x00, 0x00, 0x00}, 1).result, 0);
    // ...but a literal or a valid back-reference overruns.
    EXPECT_EQ(decode({0x05, 0x61, 0x62, 0x00, 0x00}, 1).result, -505);
    EXPECT_EQ(decode({0x09, 0x61, 0x00, 0x00, 0x00, 0x00}, 4).result, -505);
    // A run that does not fit what is left.
    EXPECT_EQ(decode({0x0D, 0x61, 0x01, 0x62, 0x00, 0x00}, 1).result, -505);
}

TEST(CnxStream, RunningOutOfStreamIsAnOverrun) {
    // Output full, but no 0x00 flag byte at a group start.
    EXPECT_EQ(decode({0x09, 0x61, 0x00, 0x00, 0x00}, 5).result, -505);
    // Fewer than two bytes before a command, even a literal that would fit.
    EXPECT_EQ(decode({0x01, 0x61}, 1).result, -505);
    // A run that ends exactly at the end of the stream.
    EXPECT_EQ(decode({0x03, 0x02, 0x61, 0x62}, 2).result, -505);
    EXPECT_EQ(decode({0x03, 0x02, 0x61, 0x62, 0x00, 0x00}, 2).result, 0);
    // A skip past the end is caught at the next group start.
    EXPECT_EQ(decode({0x00, 0xFF, 0x00}, 1).result, -505);
}

TEST(CnxStream, NullPointersAreRefused) {
    std::uint8_t out[4] = {};
    const std::uint8_t stream[2] = {0x00, 0x00};
    EXPECT_EQ(lz(nullptr, out, 2, 0), -501);
    EXPECT_EQ(lz(stream, nullptr, 2, 0), -501);
}

// The container's code alone, for the checks that do not ask which routine gave it.
status unpack(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length,
              std::uint32_t room) {
    const result<std::uint32_t> r = dec_cnxdat(input, output, length, room);
    return r ? static_cast<status>(*r) : code_of(r.failure().kind);
}

TEST(CnxContainer, InPlaceMatchesSeparateOutputWhenOutputOutgrowsStream) {
    constexpr std::uint32_t size = 5000;
    const bytes file = cnx_of_repeats({'g'}, size);
    ASSERT_LT(file.size(), size / 4);

    bytes apart(size, 0);
    ASSERT_EQ(unpack(file.data(), apart.data(), static_cast<std::uint32_t>(file.size()), size),
              static_cast<status>(size));
    EXPECT_EQ(apart, bytes(size, 'g'));

    bytes in_place = file;
    in_place.resize(size, 0);
    ASSERT_EQ(
        unpack(in_place.data(), in_place.data(), static_cast<std::uint32_t>(file.size()), size),
        static_cast<status>(size));
    EXPECT_EQ(in_place, apart);
}

TEST(CnxContainer, HeaderAloneOrWrongMagicIsRefused) {
    bytes header = cnx_file({}, 0);
    ASSERT_EQ(header.size(), 16u);
    std::uint8_t out[8] = {};
    EXPECT_EQ(unpack(header.data(), out, 16, 8), -501);
    bytes empty = cnx_file({0x00}, 0);
    EXPECT_EQ(unpack(empty.data(), out, 17, 8), 0);
    empty[2] = 'Y';
    EXPECT_EQ(unpack(empty.data(), out, 17, 8), -501);
    EXPECT_EQ(unpack(nullptr, out, 17, 8), -501);
    EXPECT_EQ(unpack(empty.data(), nullptr, 17, 8), -501);
}

TEST(CnxContainer, UnpackedSizeOverTheRoomIsRefusedUntouched) {
    bytes file = cnx_file({0x09, 0x61, 0x00, 0x00, 0x00, 0x00}, 5);
    const bytes original = file;
    EXPECT_EQ(unpack(file.data(), file.data(), static_cast<std::uint32_t>(file.size()), 4), -505);
    EXPECT_EQ(file, original);
    EXPECT_EQ(unpack(file.data(), file.data(), static_cast<std::uint32_t>(file.size()), 5), 5);

    // Over the absolute limit, whatever room is offered.
    bytes huge = cnx_file({0x00}, 0x40000001);
    std::uint8_t out[4] = {};
    EXPECT_EQ(unpack(huge.data(), out, static_cast<std::uint32_t>(huge.size()), 0xFFFFFFFF), -505);
}

TEST(CnxContainer, EachCodeNamesTheRoutineThatGaveIt) {
    bytes file = cnx_file({0x02, 0x00, 0x00, 0x00}, 4);
    const auto length = static_cast<std::uint32_t>(file.size());
    const result<std::uint32_t> corrupt = dec_cnxdat(file.data(), file.data(), length, length);
    EXPECT_EQ(corrupt.failure().kind, error_kind::bad_reference);
    EXPECT_STREQ(corrupt.failure().routine, "dec_cnxlz");
    const result<std::uint32_t> refused = dec_cnxdat(file.data(), file.data(), length, 3);
    EXPECT_EQ(refused.failure().kind, error_kind::overrun);
    EXPECT_STREQ(refused.failure().routine, "dec_cnxdat");
    const result<std::uint32_t> whole = dec_cnxdat(file.data(), file.data(), 16, length);
    EXPECT_EQ(whole.failure().kind, error_kind::bad_argument);
    EXPECT_STREQ(whole.failure().routine, "dec_cnxdat");
}

} // namespace
