// Turns an ISO 9660 image of 2048-byte sectors into a raw image of 2352-byte sectors, as a
// CD dump has them, with a CUE sheet beside it. Mode 1, or mode 2 form 1 (the XA form):
// sync, address, the data, its error detection and correction codes, all filled in.
// With --as, the same frames as another dumping tool keeps them, beside OUT (a path without
// its extension):
//   ccd      OUT.ccd, OUT.img (the frames) and OUT.sub (their subcode, all zeros)
//   mds      OUT.mds and OUT.mdf (the frames)
//   mds-sub  the same, each frame followed by its 96 bytes of subcode (zeros)
//   nrg      OUT.nrg: the pregap (PREGAP sectors, 150 unless given) and the 2048-byte
//            sectors, then the chunk list and its footer, of the second version
//   nrg-raw  the same, in raw frames
// Usage: make_raw_image IN.iso OUT.bin OUT.cue 1|2
//        make_raw_image --as ccd|mds|mds-sub|nrg|nrg-raw IN.iso OUT 1|2 [PREGAP]
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
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

using bytes = std::vector<std::uint8_t>;

constexpr std::size_t subcode_size = 96;
constexpr std::uint32_t pregap_sectors = 150;

void put_be(bytes& b, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        b.push_back(static_cast<std::uint8_t>(value >> (8 * (width - 1 - i))));
    }
}

void put_le(bytes& b, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void put_text(bytes& b, std::string_view text) {
    b.insert(b.end(), text.begin(), text.end());
}

// The disc's frames: each sector of the ISO in a raw frame, followed by sub zero bytes.
bytes frames_of(const bytes& iso, int mode, std::size_t sub) {
    const tables t = make_tables();
    bytes out;
    out.reserve(iso.size() / user_size * (raw_size + sub));
    std::array<std::uint8_t, raw_size> sector{};
    for (std::size_t lba = 0; lba * user_size < iso.size(); ++lba) {
        make_sector(t, iso.data() + lba * user_size, static_cast<std::uint32_t>(lba), mode,
                    sector.data());
        out.insert(out.end(), sector.begin(), sector.end());
        out.insert(out.end(), sub, 0);
    }
    return out;
}

// An address as minutes, seconds and frames, of a sector counted from 00:02:00.
void put_msf(bytes& b, std::uint32_t lba) {
    const std::uint32_t frame = lba + lead_in_frames;
    b.push_back(static_cast<std::uint8_t>(frame / (frames_per_second * seconds_per_minute)));
    b.push_back(static_cast<std::uint8_t>(frame / frames_per_second % seconds_per_minute));
    b.push_back(static_cast<std::uint8_t>(frame % frames_per_second));
}

// The CloneCD control file of one data track of sectors sectors: the lead-in's points (A0:
// the first track and the disc's type, A1: the last track, A2: the lead-out) and the track.
std::string clonecd_control(std::uint32_t sectors, int mode) {
    std::string text = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\nSessions=1\r\n"
                       "DataTracksScrambled=0\r\nCDTextLength=0\r\n[Session 1]\r\nPreGapMode=" +
                       std::to_string(mode) + "\r\nPreGapSubC=0\r\n";
    struct entry {
        std::uint32_t point;
        std::uint32_t pmin, psec, pframe;
    };
    const std::uint32_t lead_out = sectors + lead_in_frames;
    const std::uint32_t per_minute = frames_per_second * seconds_per_minute;
    const entry entries[] = {
        {0xA0, 1, mode == 2 ? 0x20u : 0u, 0},
        {0xA1, 1, 0, 0},
        {0xA2, lead_out / per_minute, lead_out / frames_per_second % seconds_per_minute,
         lead_out % frames_per_second},
        {1, 0, 2, 0},
    };
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        const entry& e = entries[i];
        const long plba =
            static_cast<long>(e.pmin * per_minute + e.psec * frames_per_second + e.pframe) -
            static_cast<long>(lead_in_frames);
        char lines[400];
        std::snprintf(lines, sizeof lines,
                      "[Entry %zu]\r\nSession=1\r\nPoint=0x%02x\r\nADR=0x01\r\nControl=0x04\r\n"
                      "TrackNo=0\r\nAMin=0\r\nASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\n"
                      "PMin=%u\r\nPSec=%u\r\nPFrame=%u\r\nPLBA=%ld\r\n",
                      i, e.point, e.pmin, e.psec, e.pframe, plba);
        text += lines;
    }
    return text + "[TRACK 1]\r\nMODE=" + std::to_string(mode) + "\r\nINDEX 1=0\r\n";
}

// The Alcohol descriptor (version 1.3) of one session of one data track: the header, the
// session block, the lead-in's A0, A1 and A2 and the track, its extra block (pregap and
// length), its footer and the name of its frames, "*.mdf": the descriptor's own.
bytes alcohol_descriptor(std::uint32_t sectors, int mode, std::size_t frame) {
    constexpr std::uint32_t header_size = 0x58;
    constexpr std::uint32_t session_size = 24;
    constexpr std::uint32_t track_size = 80;
    constexpr std::uint32_t blocks = 4;
    constexpr std::uint32_t tracks_at = header_size + session_size;
    constexpr std::uint32_t extra_at = tracks_at + blocks * track_size;
    constexpr std::uint32_t footer_at = extra_at + 8;
    constexpr std::uint32_t name_at = footer_at + 16;
    bytes b;
    put_text(b, "MEDIA DESCRIPTOR");
    b.push_back(1); // version 1.3
    b.push_back(3);
    put_le(b, 0, 2); // a CD-ROM
    put_le(b, 1, 2); // one session
    b.resize(0x50, 0);
    put_le(b, header_size, 4); // the session blocks
    put_le(b, 0, 4);           // no protection data
    // The session: from the lead-in's start to the lead-out's.
    put_le(b, static_cast<std::uint32_t>(-static_cast<std::int32_t>(lead_in_frames)), 4);
    put_le(b, sectors, 4);
    put_le(b, 1, 2);
    b.push_back(blocks);
    b.push_back(blocks - 1); // A0, A1, A2
    put_le(b, 1, 2);         // the first track
    put_le(b, 1, 2);         // the last track
    put_le(b, 0, 4);
    put_le(b, tracks_at, 4);
    const std::uint8_t points[] = {0xA0, 0xA1, 0xA2, 1};
    for (const std::uint8_t point : points) {
        const std::size_t block = b.size();
        const bool track = point == 1;
        b.push_back(track ? (mode == 1 ? 0xAA : 0xAC) : 0);
        b.push_back(frame > raw_size ? 8 : 0); // subchannels
        b.push_back(0x14);                     // ADR 1, a data track
        b.push_back(0);
        b.push_back(point);
        b.insert(b.end(), 4, 0); // the address in the lead-in, and a zero
        if (point == 0xA2) {
            put_msf(b, sectors);
        } else if (track) {
            put_msf(b, 0);
        } else {
            b.push_back(1); // the first track, the last
            b.push_back(point == 0xA0 && mode == 2 ? 0x20 : 0);
            b.push_back(0);
        }
        put_le(b, track ? extra_at : 0, 4);
        put_le(b, track ? frame : 0, 2);
        b.resize(block + 0x24, 0);
        put_le(b, 0, 4); // the start sector
        put_le(b, 0, 8); // its offset in the .mdf
        put_le(b, track ? 1 : 0, 4);
        put_le(b, track ? footer_at : 0, 4);
        b.resize(block + track_size, 0);
    }
    put_le(b, pregap_sectors, 4);
    put_le(b, sectors, 4);
    put_le(b, name_at, 4);
    put_le(b, 0, 4); // a narrow name
    put_le(b, 0, 8);
    put_text(b, std::string_view("*.mdf", 6));
    return b;
}

// A Nero image of the second version: the pregap and the track, framed as frame bytes a
// sector, then the chunk list (cue points, the track block, the session, the medium) and
// the footer that points at it.
bytes nero_image(const bytes& iso, int mode, bool raw, std::uint32_t pregap) {
    const std::uint32_t sectors = static_cast<std::uint32_t>(iso.size() / user_size);
    const std::size_t frame = raw ? raw_size : user_size;
    bytes image(pregap * frame, 0);
    if (raw) {
        const bytes frames = frames_of(iso, mode, 0);
        image.insert(image.end(), frames.begin(), frames.end());
    } else {
        image.insert(image.end(), iso.begin(), iso.end());
    }
    const std::uint64_t list = image.size();
    const std::uint8_t control = 0x41; // ADR 1, a data track
    bytes cues;
    const std::int64_t cue_points[][3] = {
        {0, 0, -150}, {1, 0, -150}, {1, 1, 0}, {0xAA, 1, sectors}};
    for (const auto& point : cue_points) {
        cues.push_back(control);
        cues.push_back(static_cast<std::uint8_t>(
            point[0] == 0xAA ? 0xAA : bcd(static_cast<std::uint32_t>(point[0]))));
        cues.push_back(bcd(static_cast<std::uint32_t>(point[1])));
        cues.push_back(0);
        put_be(cues, static_cast<std::uint32_t>(static_cast<std::int32_t>(point[2])), 4);
    }
    const std::uint8_t code = raw ? (mode == 1 ? 0x05 : 0x06) : (mode == 1 ? 0x00 : 0x02);
    bytes dao;
    put_be(dao, 22 + 42, 4);
    dao.insert(dao.end(), 14, 0); // no catalogue number
    put_be(dao, mode == 1 ? 0 : 0x2000, 2);
    dao.push_back(1);
    dao.push_back(1);
    dao.insert(dao.end(), 12, 0); // no ISRC
    put_be(dao, frame, 2);
    dao.push_back(code);
    dao.insert(dao.end(), {0, 0, 1});
    put_be(dao, 0, 8);
    put_be(dao, pregap * frame, 8);
    put_be(dao, list, 8);
    const auto chunk = [&image](std::string_view id, const bytes& body) {
        put_text(image, id);
        put_be(image, body.size(), 4);
        image.insert(image.end(), body.begin(), body.end());
    };
    chunk("CUEX", cues);
    chunk("DAOX", dao);
    chunk("SINF", {0, 0, 0, 1});
    chunk("MTYP", {0, 0, 0, 1});
    chunk("END!", {});
    put_text(image, "NER5");
    put_be(image, list, 8);
    return image;
}

bool write_file(const std::string& path, const bytes& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_raw_image: cannot write %s\n", path.c_str());
    }
    return static_cast<bool>(out);
}

// The image of the kind, beside out.
bool write_as(const std::string& kind, const bytes& iso, const std::string& out, int mode,
              std::uint32_t pregap) {
    const std::uint32_t sectors = static_cast<std::uint32_t>(iso.size() / user_size);
    if (kind == "ccd") {
        const std::string control = clonecd_control(sectors, mode);
        return write_file(out + ".img", frames_of(iso, mode, 0)) &&
               write_file(out + ".sub", bytes(std::size_t{sectors} * subcode_size, 0)) &&
               write_file(out + ".ccd", bytes(control.begin(), control.end()));
    }
    if (kind == "mds" || kind == "mds-sub") {
        const std::size_t sub = kind == "mds" ? 0 : subcode_size;
        return write_file(out + ".mdf", frames_of(iso, mode, sub)) &&
               write_file(out + ".mds", alcohol_descriptor(sectors, mode, raw_size + sub));
    }
    if (kind == "nrg" || kind == "nrg-raw") {
        return write_file(out + ".nrg", nero_image(iso, mode, kind == "nrg-raw", pregap));
    }
    std::fprintf(stderr, "make_raw_image: no image kind %s\n", kind.c_str());
    return false;
}

bytes read_iso(const char* path) {
    std::ifstream in(path, std::ios::binary);
    bytes iso((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || iso.empty() || iso.size() % user_size != 0) {
        std::fprintf(stderr, "make_raw_image: %s is not a whole number of 2048-byte sectors\n",
                     path);
        return {};
    }
    return iso;
}

} // namespace

int main(int argc, char** argv) {
    const bool as = (argc == 6 || argc == 7) && std::string(argv[1]) == "--as";
    const std::string mode_text = argc >= 5 ? argv[as ? 5 : 4] : "";
    if ((argc != 5 && !as) || (mode_text != "1" && mode_text != "2")) {
        std::fprintf(stderr, "usage: make_raw_image IN.iso OUT.bin OUT.cue 1|2\n"
                             "       make_raw_image --as ccd|mds|mds-sub|nrg|nrg-raw IN.iso "
                             "OUT 1|2 [PREGAP]\n");
        return 2;
    }
    const int mode = std::stoi(mode_text);
    const bytes iso = read_iso(argv[as ? 3 : 1]);
    if (iso.empty()) {
        return 1;
    }
    if (as) {
        const std::uint32_t pregap =
            argc == 7 ? static_cast<std::uint32_t>(std::stoul(argv[6])) : pregap_sectors;
        return write_as(argv[2], iso, argv[4], mode, pregap) ? 0 : 1;
    }
    if (!write_file(argv[2], frames_of(iso, mode, 0))) {
        return 1;
    }
    std::ofstream cue(argv[3], std::ios::trunc);
    cue << "FILE \"" << std::filesystem::path(argv[2]).filename().string() << "\" BINARY\n"
        << "  TRACK 01 MODE" << mode << "/2352\n"
        << "    INDEX 01 00:00:00\n";
    cue.close();
    if (!cue) {
        std::fprintf(stderr, "make_raw_image: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
