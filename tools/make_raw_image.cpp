// Turns an ISO 9660 image of 2048-byte sectors into a raw image of 2352-byte sectors, as a
// CD dump has them, with a CUE sheet beside it. Mode 1, or mode 2 form 1 (the XA form):
// sync, address, the data, its error detection and correction codes, all filled in.
// Usage: make_raw_image IN.iso OUT.bin OUT.cue 1|2
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t user_size = 2048;
constexpr std::size_t raw_size = 2352;
constexpr std::size_t header_at = 12;
constexpr std::size_t mode1_data_at = 16;
constexpr std::size_t mode2_subheader_at = 16;
constexpr std::size_t mode2_data_at = 24;
constexpr std::size_t mode1_edc_at = 2064;
constexpr std::size_t mode2_edc_at = 2072;
constexpr std::size_t p_parity_at = 2076;
constexpr std::size_t q_parity_at = 2248;
constexpr std::uint32_t lead_in_frames = 150; // sector 0 sits at 00:02:00
constexpr std::uint32_t frames_per_second = 75;
constexpr std::uint32_t seconds_per_minute = 60;
constexpr std::uint8_t form1_data_submode = 0x08;

struct tables {
    std::array<std::uint8_t, 256> ecc_f{};
    std::array<std::uint8_t, 256> ecc_b{};
    std::array<std::uint32_t, 256> edc{};
};

tables make_tables() {
    tables t;
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint32_t j = (i << 1) ^ ((i & 0x80) != 0 ? 0x11D : 0);
        t.ecc_f[i] = static_cast<std::uint8_t>(j);
        t.ecc_b[i ^ j] = static_cast<std::uint8_t>(i);
        std::uint32_t edc = i;
        for (int k = 0; k < 8; ++k) {
            edc = (edc >> 1) ^ ((edc & 1) != 0 ? 0xD8018001u : 0);
        }
        t.edc[i] = edc;
    }
    return t;
}

std::uint32_t edc_of(const tables& t, const std::uint8_t* bytes, std::size_t n) {
    std::uint32_t edc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        edc = (edc >> 8) ^ t.edc[(edc ^ bytes[i]) & 0xFF];
    }
    return edc;
}

// One Reed-Solomon product code pass (P or Q) over the sector from its address on.
void ecc_block(const tables& t, const std::uint8_t* src, std::uint32_t major_count,
               std::uint32_t minor_count, std::uint32_t major_mult, std::uint32_t minor_inc,
               std::uint8_t* dest) {
    const std::uint32_t size = major_count * minor_count;
    for (std::uint32_t major = 0; major < major_count; ++major) {
        std::uint32_t index = (major >> 1) * major_mult + (major & 1);
        std::uint8_t a = 0;
        std::uint8_t b = 0;
        for (std::uint32_t minor = 0; minor < minor_count; ++minor) {
            const std::uint8_t v = src[index];
            index += minor_inc;
            if (index >= size) {
                index -= size;
            }
            a ^= v;
            b ^= v;
            a = t.ecc_f[a];
        }
        a = t.ecc_b[t.ecc_f[a] ^ b];
        dest[major] = a;
        dest[major + major_count] = static_cast<std::uint8_t>(a ^ b);
    }
}

std::uint8_t bcd(std::uint32_t v) {
    return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}

void put_le32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void make_sector(const tables& t, const std::uint8_t* data, std::uint32_t lba, int mode,
                 std::uint8_t* sector) {
    std::fill(sector, sector + raw_size, 0);
    std::fill(sector + 1, sector + 11, 0xFF); // sync: 00, ten FF, 00
    const std::uint32_t frame = lba + lead_in_frames;
    std::uint8_t* header = sector + header_at;
    header[0] = bcd(frame / (frames_per_second * seconds_per_minute));
    header[1] = bcd(frame / frames_per_second % seconds_per_minute);
    header[2] = bcd(frame % frames_per_second);
    header[3] = static_cast<std::uint8_t>(mode);
    if (mode == 1) {
        std::copy(data, data + user_size, sector + mode1_data_at);
        put_le32(sector + mode1_edc_at, edc_of(t, sector, mode1_edc_at));
        ecc_block(t, sector + header_at, 86, 24, 2, 86, sector + p_parity_at);
        ecc_block(t, sector + header_at, 52, 43, 86, 88, sector + q_parity_at);
        return;
    }
    // Form 1: the subheader twice, then the data; the codes leave the address out.
    for (std::size_t copy = 0; copy < 2; ++copy) {
        sector[mode2_subheader_at + 4 * copy + 2] = form1_data_submode;
    }
    std::copy(data, data + user_size, sector + mode2_data_at);
    put_le32(sector + mode2_edc_at,
             edc_of(t, sector + mode2_subheader_at, mode2_edc_at - mode2_subheader_at));
    const std::array<std::uint8_t, 4> address = {header[0], header[1], header[2], header[3]};
    std::fill(header, header + 4, 0);
    ecc_block(t, sector + header_at, 86, 24, 2, 86, sector + p_parity_at);
    ecc_block(t, sector + header_at, 52, 43, 86, 88, sector + q_parity_at);
    std::copy(address.begin(), address.end(), header);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::string(argv[4]) != "1" && std::string(argv[4]) != "2")) {
        std::fprintf(stderr, "usage: make_raw_image IN.iso OUT.bin OUT.cue 1|2\n");
        return 2;
    }
    const int mode = std::stoi(argv[4]);
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> iso((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    if (!in.is_open() || iso.empty() || iso.size() % user_size != 0) {
        std::fprintf(stderr, "make_raw_image: %s is not a whole number of 2048-byte sectors\n",
                     argv[1]);
        return 1;
    }
    const tables t = make_tables();
    std::ofstream bin(argv[2], std::ios::binary | std::ios::trunc);
    std::array<std::uint8_t, raw_size> sector{};
    for (std::size_t lba = 0; lba * user_size < iso.size(); ++lba) {
        make_sector(t, iso.data() + lba * user_size, static_cast<std::uint32_t>(lba), mode,
                    sector.data());
        bin.write(reinterpret_cast<const char*>(sector.data()), raw_size);
    }
    std::ofstream cue(argv[3], std::ios::trunc);
    cue << "FILE \"" << std::filesystem::path(argv[2]).filename().string() << "\" BINARY\n"
        << "  TRACK 01 MODE" << mode << "/2352\n"
        << "    INDEX 01 00:00:00\n";
    bin.close();
    cue.close();
    if (!bin || !cue) {
        std::fprintf(stderr, "make_raw_image: cannot write %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    return 0;
}
