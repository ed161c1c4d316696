// Disc images standing in for drives, made here from small folders.
#include "app/describe.hpp"
#include "disc/load_disc_file.hpp"
#include "extract/faces.hpp"
#include "image/sectors.hpp"
#include "platform/image_disc.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Makes image.iso, and image.bin and image.cue in mode 1, from the folder "files".
void make_images() {
    const std::string iso = std::string("\"") + XORRISO_EXE +
                            "\" -as mkisofs -quiet -allow-lowercase -o image.iso files "
                            ">/dev/null 2>&1";
    ASSERT_EQ(std::system(iso.c_str()), 0);
    const std::string raw =
        std::string("\"") + RAW_IMAGER_EXE + "\" image.iso image.bin image.cue 1";
    ASSERT_EQ(std::system(raw.c_str()), 0);
}

void drive_q_is(const char* image) {
    fs::remove("q:");
    fs::create_symlink(image, "q:");
}

bytes counting(std::size_t n) {
    bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return b;
}

TEST(DiscImage, NamesLoseTheirVersionAndMatchWithoutCase) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/f010.spr", counting(100));
    write_file("files/F002.SPR", counting(200));
    write_file("files/title.seq", counting(5000));
    write_file("files/README", counting(10)); // recorded as "README.;1"
    make_images();
    // The same frames as CloneCD keeps them: a control file, and the frames under its name.
    fs::copy_file("image.bin", "image.IMG");
    const std::string control = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\n"
                                "[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n";
    write_file("image.ccd", bytes(control.begin(), control.end()));
    // Alcohol's frames of mode 2 with their subcode, and Nero's raw frames of mode 2, as the
    // raw imager writes them.
    for (const char* kind : {"mds-sub", "nrg-raw"}) {
        const std::string dumped =
            std::string("\"") + RAW_IMAGER_EXE + "\" --as " + kind + " image.iso dumped 2";
        ASSERT_EQ(std::system(dumped.c_str()), 0) << kind;
    }
    for (const char* image :
         {"image.iso", "image.cue", "image.bin", "image.ccd", "dumped.mds", "dumped.nrg"}) {
        drive_q_is(image);
        const auto q = drive_q();
        EXPECT_EQ(q->search("F*.SPR"), (std::vector<std::string>{"F002.SPR", "f010.spr"})) << image;
        EXPECT_EQ(q->search("R*"), std::vector<std::string>{"README"}) << image;
        bytes buffer(8192, 0);
        EXPECT_EQ(count_or_code(load_disc_file(*q, "TITLE.SEQ", buffer.data(), 8192)), 5000)
            << image;
        buffer.resize(5000);
        EXPECT_EQ(buffer, counting(5000)) << image;
    }
}

TEST(DiscImage, UnreadableSectorsAreReadErrors) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/A.BIN", counting(3000));
    write_file("files/Z.BIN", counting(200000)); // laid out last, well past the cut
    make_images();
    // Keep 40%: past A.BIN, into Z.BIN (the image ends in padding).
    fs::resize_file("image.bin", fs::file_size("image.bin") / 2352 * 2 / 5 * 2352);
    drive_q_is("image.cue");
    const auto q = drive_q();
    bytes buffer(262144, 0);
    EXPECT_EQ(count_or_code(load_disc_file(*q, "A.BIN", buffer.data(), 262144)), 3000);
    const result<std::uint32_t> cut = load_disc_file(*q, "Z.BIN", buffer.data(), 262144);
    EXPECT_EQ(cut.failure().kind, error_kind::read_failed);
    EXPECT_EQ(cut.failure().path, "q:\\Z.BIN");
}

TEST(DiscImage, FileThatIsNoImageIsAnEmptyDrive) {
    scratch_dir dir;
    write_file("notes.txt", bytes(5000, 'x'));
    write_file("broken.cue", bytes(40, 'x'));
    for (const char* image : {"notes.txt", "broken.cue"}) {
        drive_q_is(image);
        const group_run r = run_group(group_faces);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, report_of(-104, nullptr)) << image;
        bytes buffer(16, 0);
        const result<std::uint32_t> none =
            load_disc_file(*drive_q(), "TITLE.SEQ", buffer.data(), 16);
        EXPECT_EQ(none.failure().kind, error_kind::file_not_found);
        EXPECT_EQ(none.failure().path, "q:\\TITLE.SEQ");
    }
}

// Every file of the root as the disc lists it, with its size as read: "NAME SIZE" each.
std::vector<std::string> listing_of(const disc& d) {
    std::vector<std::string> lines;
    bytes buffer(1 << 20, 0);
    for (const std::string& name : d.search("*")) {
        const disc_read got =
            d.read(name.c_str(), buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        lines.push_back(name + " " + std::to_string(got.found && !got.failed ? got.count : 0));
    }
    return lines;
}

// The same as the field's own tool lists it: xorriso's -lsl, one file a line.
std::vector<std::string> listing_by_xorriso(const char* image) {
    const std::string command =
        std::string("\"") + XORRISO_EXE + "\" -indev " + image + " -lsl / 2>/dev/null > lsl.txt";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> lines;
    const bytes text = read_file("lsl.txt");
    std::string line;
    for (const std::uint8_t c : text) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        // "-rw-r--r--    1 0        0     SIZE Mon dd hh:mm 'NAME'"
        const std::size_t quote = line.find('\'');
        if (line.starts_with("-") && quote != std::string::npos) {
            char mode[16] = {};
            unsigned links = 0;
            unsigned long long size = 0;
            std::sscanf(line.c_str(), "%15s %u %*s %*s %llu", mode, &links, &size);
            lines.push_back(line.substr(quote + 1, line.size() - quote - 2) + " " +
                            std::to_string(size));
        }
        line.clear();
    }
    return lines;
}

TEST(DiscImage, TheRootIsListedAsTheFieldsOwnToolListsIt) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/f010.spr", counting(3));
    write_file("files/TITLE.SEQ", counting(5000));
    write_file("files/B.BIN", counting(4096));
    write_file("files/EMPTY.BIN", {});
    fs::create_directory("files/SUB");
    write_file("files/SUB/INNER.BIN", counting(10));
    make_images();
    const std::vector<std::string> expected = listing_by_xorriso("image.iso");
    ASSERT_EQ(expected.size(), 4u);
    for (const char* image : {"image.iso", "image.cue", "image.bin"}) {
        drive_q_is(image);
        EXPECT_EQ(listing_of(*drive_q()), expected) << image;
    }
}

// The root directory's records of an .iso: where each lies in the image, by name.
std::vector<std::pair<std::string, std::size_t>> root_records(const bytes& iso) {
    const std::size_t root = le32_at(iso, 16 * 2048 + 156 + 2) * std::size_t{2048};
    std::vector<std::pair<std::string, std::size_t>> records;
    for (std::size_t at = root; iso[at] != 0; at += iso[at]) {
        records.emplace_back(
            std::string(reinterpret_cast<const char*>(&iso[at + 33]), iso[at + 32]), at);
    }
    return records;
}

TEST(DiscImage, ImagesAsOtherToolsLeaveThem) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/A.BIN", counting(2048));
    write_file("files/B.BIN", counting(3000));
    write_file("files/LAST.BIN", counting(1000));
    make_images();
    bytes iso = read_file("image.iso");
    // A file recorded in two extents, as files past 4 GiB are: read as one, in order. Its
    // last record says more extents follow too, but the next record is another file's.
    for (const auto& [name, at] : root_records(iso)) {
        if (name == "A.BIN;1") {
            iso[at + 25] |= 0x80; // more extents follow
        } else if (name == "B.BIN;1") {
            iso[at + 25] |= 0x80;
            iso[at + 33] = 'A';
        }
    }
    // Sector 0 is the system area: a raw frame's sync there says nothing of the framing.
    const bytes sync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                        0xFF, 0xFF, 0xFF, 0x00, 0,    0,    0,    1};
    std::copy(sync.begin(), sync.end(), iso.begin());
    write_file("joined.iso", iso);
    drive_q_is("joined.iso");
    bytes both = counting(2048);
    const bytes b = counting(3000);
    both.insert(both.end(), b.begin(), b.end());
    bytes buffer(8192, 0);
    EXPECT_EQ(count_or_code(load_disc_file(*drive_q(), "A.BIN", buffer.data(), 8192)), 5048);
    buffer.resize(5048);
    EXPECT_EQ(buffer, both);
    // An image cut right after its last file's last byte, its last sector short.
    std::size_t end = 0;
    for (const auto& [name, at] : root_records(iso)) {
        if (name == "LAST.BIN;1") {
            end = le32_at(iso, at + 2) * std::size_t{2048} + 1000;
        }
    }
    ASSERT_GT(end, 0u);
    iso.resize(end);
    write_file("cut.iso", iso);
    drive_q_is("cut.iso");
    buffer.assign(2048, 0);
    EXPECT_EQ(count_or_code(load_disc_file(*drive_q(), "LAST.BIN", buffer.data(), 2048)), 1000);
    buffer.resize(1000);
    EXPECT_EQ(buffer, counting(1000));
}

TEST(DiscImage, CueSheetsAsOtherToolsWriteThem) {
    scratch_dir dir;
    fs::create_directory("files");
    write_file("files/TITLE.SEQ", counting(5000));
    make_images();
    fs::rename("image.bin", "Image.Bin");
    std::string padding;
    while (padding.size() < 70000) {
        padding += "REM a remark to make the sheet long\r\n";
    }
    const std::pair<const char*, std::string> sheets[] = {
        {"lower.cue", "file \"Image.Bin\" binary\n  track 01 mode1/2352\n    index 1 00:00:00\n"},
        {"cr.cue", "FILE \"Image.Bin\" BINARY\r  TRACK 01 MODE1/2352\r    INDEX 01 00:00:00\r"},
        {"case.cue", "FILE \"IMAGE.BIN\" BINARY\r\nTRACK 01 MODE1/2352\r\nINDEX 01 00:00:00\r\n"},
        {"unquoted.cue", "FILE Image.Bin BINARY\nTRACK 1 MODE1/2352\nINDEX 01 00:00:00\n"},
        {"sheet.txt",
         "REM made elsewhere\nFILE \"Image.Bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"},
        {"long.cue",
         "FILE \"Image.Bin\" BINARY\r\nTRACK 01 MODE1/2352\r\nINDEX 01 00:00:00\r\n" + padding},
        {"audio-first.cue", "FILE \"Image.Bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK "
                            "02 MODE1/2352\nINDEX 01 00:00:00\n"},
    };
    fs::create_directory("sub");
    fs::rename("Image.Bin", "sub/Image.Bin");
    for (const auto& [name, text] : sheets) {
        write_file(name, bytes(text.begin(), text.end()));
        // The file named under the sheet's folder, written with Windows' separator.
        std::string in_sub = text;
        const std::size_t file_at = std::min(in_sub.find("mage."), in_sub.find("MAGE."));
        in_sub.insert(file_at - 1, "sub\\");
        write_file(std::string("back-") + name, bytes(in_sub.begin(), in_sub.end()));
    }
    for (const auto& [name, text] : sheets) {
        const std::string sheet = std::string("back-") + name;
        const result<std::unique_ptr<disc>> image = open_image_disc("q:\\", sheet);
        ASSERT_TRUE(image.ok()) << sheet << ": " << describe_source_error(image.failure());
        EXPECT_EQ((*image)->search("*"), std::vector<std::string>{"TITLE.SEQ"}) << sheet;
    }
    // Sheets that name no data track, or a file that is not there, say so.
    write_file("music.cue",
               {'F',  'I', 'L', 'E', ' ', 'a', '.', 'w', 'a', 'v', ' ', 'W', 'A', 'V', 'E',
                '\n', 'T', 'R', 'A', 'C', 'K', ' ', '1', ' ', 'A', 'U', 'D', 'I', 'O', '\n'});
    const result<std::unique_ptr<disc>> music = open_image_disc("q:\\", "music.cue");
    ASSERT_FALSE(music.ok());
    EXPECT_EQ(describe_source_error(music.failure()), "music.cue has no data track");
    fs::remove("sub/Image.Bin");
    const result<std::unique_ptr<disc>> gone = open_image_disc("q:\\", "back-lower.cue");
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(describe_source_error(gone.failure()),
              "back-lower.cue names sub/Image.Bin, which is missing");
}

// An image far larger than any file here, served from its layout: sector 16 holds the volume,
// the root spans the last sector a 32-bit extent can name and the one after it, and every
// other sector's bytes tell its number, so a sector number that wrapped in 32 bits shows.
class far_image final : public image_file {
  public:
    static constexpr std::uint64_t last_extent = 0xFFFFFFFF;
    // FAR.BIN starts there too and runs on for more sectors than one read takes, and a part.
    static constexpr std::uint32_t far_size = 33 * 2048 + 952;

    far_image(framing f, std::uint64_t sectors) : frames_(f), sectors_(sectors) {
        volume_[0] = 1;
        std::copy_n("CD001", 5, volume_.begin() + 1);
        put_record(volume_, 156, std::string(1, '\0'), last_extent, 2 * 2048, 0x02);
        put_record(root_, 0, "FAR.BIN;1", last_extent, far_size, 0);
        put_record(root_, 2048, "NEAR.BIN;1", 20, 100, 0);
    }

    bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                 std::size_t& delivered) const override {
        for (delivered = 0; delivered < count && offset + delivered < size(); ++delivered) {
            const std::uint64_t at = offset + delivered;
            const std::uint64_t in_frame = at % frames_.frame_size;
            out[delivered] = in_frame < frames_.data_at || in_frame >= frames_.data_at + 2048
                                 ? 0xEE
                                 : sector_byte(at / frames_.frame_size, in_frame - frames_.data_at);
        }
        return true;
    }

    std::uint64_t size() const override { return sectors_ * frames_.frame_size; }

    std::uint8_t sector_byte(std::uint64_t sector, std::uint64_t i) const {
        if (sector == 16) {
            return volume_[i];
        }
        if (sector == last_extent || sector == last_extent + 1) {
            return root_[(sector - last_extent) * 2048 + i];
        }
        return static_cast<std::uint8_t>(sector * 31 + (sector >> 32) * 97 + i);
    }

  private:
    static void put_record(bytes& out, std::size_t at, const std::string& name,
                           std::uint32_t extent, std::uint32_t size, std::uint8_t flags) {
        out[at] = static_cast<std::uint8_t>(34 + name.size() - name.size() % 2);
        for (int i = 0; i < 4; ++i) {
            out[at + 2 + i] = static_cast<std::uint8_t>(extent >> (8 * i));
            out[at + 10 + i] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        out[at + 25] = flags;
        out[at + 32] = static_cast<std::uint8_t>(name.size());
        std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(at) + 33);
    }

    framing frames_;
    std::uint64_t sectors_;
    bytes volume_ = bytes(2048, 0);
    bytes root_ = bytes(2 * 2048, 0);
};

TEST(DiscImage, SectorsPastFourGigaSectorsAreTheirOwn) {
    for (const framing f : {plain_sectors, raw_mode1}) {
        auto owned = std::make_unique<far_image>(f, far_image::last_extent + 34);
        const far_image& image = *owned;
        const result<std::unique_ptr<disc>> opened =
            image_disc_of("q:\\", "far.iso", std::move(owned));
        ASSERT_TRUE(opened.ok()) << describe_source_error(opened.failure());
        const std::unique_ptr<disc>& d = *opened;
        EXPECT_EQ(d->search("*"), (std::vector<std::string>{"FAR.BIN", "NEAR.BIN"}));
        bytes expected(far_image::far_size);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            expected[i] = image.sector_byte(far_image::last_extent + i / 2048, i % 2048);
        }
        bytes buffer(expected.size() + 1, 0);
        const disc_read got =
            d->read("FAR.BIN", buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        EXPECT_FALSE(got.failed) << f.frame_size;
        buffer.resize(got.count);
        EXPECT_EQ(buffer, expected) << f.frame_size;
    }
    // An image that ends before FAR.BIN's last part: a read error.
    const result<std::unique_ptr<disc>> cut = image_disc_of(
        "q:\\", "cut.iso", std::make_unique<far_image>(plain_sectors, far_image::last_extent + 33));
    ASSERT_TRUE(cut.ok()) << describe_source_error(cut.failure());
    bytes buffer(far_image::far_size, 0);
    EXPECT_TRUE((*cut)->read("FAR.BIN", buffer.data(), far_image::far_size).failed);
}

// What a command printed, its line end taken off.
std::string output_of(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char line[256] = {};
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            text += line;
        }
        pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

TEST(DiscImage, ADrivesBlockDeviceIsReadAsAnImage) {
    scratch_dir dir;
    const std::string make = std::string("\"") + MAKE_SAMPLE_DISC + "\" sample > /dev/null && \"" +
                             XORRISO_EXE +
                             "\" -as mkisofs -quiet -allow-lowercase -o disc.iso sample/disc "
                             ">/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    // A loop device over the image stands in for the drive, where the machine has them.
    const std::string device = output_of("losetup -r -f --show disc.iso 2>&1");
    if (!device.starts_with("/dev/")) {
        GTEST_SKIP() << "no loop device here: " << device;
    }
    const std::string run = std::string("\"") + QUILLMOOR_EXE + "\" -q -o out " + device;
    const int status = std::system(run.c_str());
    std::system(("losetup -d " + device).c_str());
    EXPECT_EQ(status, 0);
    std::size_t same = 0;
    for (const auto& entry : fs::directory_iterator("sample/expected")) {
        if (entry.path().extension() == ".BMP") {
            same += read_file("out" / entry.path().filename()) == read_file(entry.path()) ? 1 : 0;
        }
    }
    EXPECT_EQ(same, 84u);
}

} // namespace
