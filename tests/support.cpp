#include "support.hpp"

#include "app/console.hpp"
#include "app/errormes.hpp"
#include "app/report.hpp"
#include "encode/folder_sink.hpp"
#include "extract/groups.hpp"
#include "platform/output_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string_view>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

std::string test_name() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                           : std::string("scratch");
}

} // namespace

scratch_dir::scratch_dir() : folder_(test_name()) {
    if (!folder_.made() || !folder_.enter()) {
        ADD_FAILURE() << "no scratch folder for the test";
        return;
    }
    fs::create_directories(path() / "q:");
}

void scratch_dir::put_disc_file(const std::string& name, const bytes& contents) const {
    write_file(path() / "q:" / name, contents);
}

void write_file(const fs::path& path, const bytes& contents) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(contents.data()),
              static_cast<std::streamsize>(contents.size()));
}

bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string console_of(const std::function<void()>& fn) {
    testing::internal::CaptureStdout();
    fn();
    return testing::internal::GetCapturedStdout();
}

std::string report_of(status code, const char* context) {
    const memory_stream out;
    console con(out.file(), stdin, text_encoding{console_encoding::shift_jis, {}});
    errormes(con, code, context);
    return out.text();
}

memory_stream::memory_stream() : file_(open_memstream(&buffer_, &size_)) {}

memory_stream::~memory_stream() {
    std::fclose(file_);
    std::free(buffer_);
}

std::string memory_stream::text() const {
    std::fflush(file_);
    return std::string(buffer_, size_);
}

result<void> memory_sink::take(void* target, const std::uint8_t* bytes, std::size_t count) {
    memory_sink& to = *static_cast<memory_sink*>(target);
    if (count > to.limit - to.out.size()) {
        return error{error_kind::write_failed, nullptr, {}, ENOSPC};
    }
    to.out.insert(to.out.end(), bytes, bytes + count);
    return {};
}

struct test_run::parts {
    std::unique_ptr<disc> drive;
    std::unique_ptr<output_folder> folder;
    std::unique_ptr<folder_sink> pictures;
    picture_settings settings;
    std::unique_ptr<::console> con;
    std::unique_ptr<console_report> report;
};

test_run::test_run(picture_settings settings) : parts_(std::make_unique<parts>()) {
    parts_->drive = drive_q();
    result<std::unique_ptr<output_folder>> folder = output_folder::open(".");
    EXPECT_TRUE(folder.ok());
    if (folder) {
        parts_->folder = std::move(folder.value());
    }
    parts_->settings = std::move(settings);
    if (parts_->folder != nullptr) {
        parts_->pictures = std::make_unique<folder_sink>(*parts_->folder);
        parts_->settings.pictures = parts_->pictures.get();
    }
    parts_->con = std::make_unique<::console>(console_.file(), stdin,
                                              text_encoding{console_encoding::shift_jis, {}});
    parts_->report = std::make_unique<console_report>(
        report_streams{*parts_->con, *parts_->con, errors_.file()}, console_report::results::shown);
    run_ = std::make_unique<picture_run>(*parts_->drive, parts_->settings, *parts_->report);
}

test_run::~test_run() = default;

void with_file_size_limit(std::uint64_t limit, const std::function<void()>& fn) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

std::unique_ptr<disc> drive_q() {
    return open_drive("q:\\").found;
}

group_run run_group(const char* name) {
    for (const picture_group& group : picture_groups()) {
        if (std::string_view(group.name) == name) {
            test_run t;
            const bool ok = make_group(t.run(), group) != group_outcome::failed;
            return {ok, t.console()};
        }
    }
    ADD_FAILURE() << "no group " << name;
    return {false, {}};
}

std::size_t sample_picture_count(const std::filesystem::path& made) {
    std::ifstream manifest(made / "expected" / "manifest.txt");
    const std::string text{std::istreambuf_iterator<char>(manifest), {}};
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void put_be16(bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

std::uint32_t le32_at(const bytes& b, std::size_t offset) {
    return std::uint32_t{b.at(offset)} | std::uint32_t{b.at(offset + 1)} << 8 |
           std::uint32_t{b.at(offset + 2)} << 16 | std::uint32_t{b.at(offset + 3)} << 24;
}

std::uint16_t le16_at(const bytes& b, std::size_t offset) {
    return static_cast<std::uint16_t>(b.at(offset) | b.at(offset + 1) << 8);
}

bytes cnx_file(const bytes& stream, std::uint32_t unpacked_size) {
    bytes file = {'C', 'N', 'X', 0x02, 'S', 'P', 'R', 0x10, 0, 0, 0, 0};
    for (int shift = 24; shift >= 0; shift -= 8) {
        file.push_back(static_cast<std::uint8_t>(unpacked_size >> shift));
    }
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

bytes cnx_of_repeats(const bytes& unit, std::uint32_t size) {
    constexpr std::uint32_t longest_copy = 35;
    const auto distance = static_cast<std::uint32_t>(unit.size());
    bytes stream = {0x03, static_cast<std::uint8_t>(distance)}; // a run, then a skip of 0
    stream.insert(stream.end(), unit.begin(), unit.end());
    stream.push_back(0x00);
    for (std::uint32_t o = distance; o < size;) {
        unsigned flags = 0;
        bytes operands;
        int n = 0;
        for (; n < 4 && o < size; ++n) {
            const std::uint32_t length = std::min(longest_copy, size - o);
            if (length >= 4) {
                flags |= 2u << (2 * n);
                operands.push_back(static_cast<std::uint8_t>((distance - 1) >> 3));
                operands.push_back(
                    static_cast<std::uint8_t>(((distance - 1) & 7) << 5 | (length - 4)));
                o += length;
            } else {
                flags |= 1u << (2 * n);
                operands.push_back(unit[o % distance]);
                o += 1;
            }
        }
        stream.push_back(static_cast<std::uint8_t>(flags));
        stream.insert(stream.end(), operands.begin(), operands.end());
        if (n < 4) {
            stream.push_back(0x00); // the count of the skip that the unused codes make
        }
    }
    stream.push_back(0x00);
    return cnx_file(stream, size);
}

void put(bytes& b, std::size_t at, std::uint64_t value, std::size_t width, bool big) {
    b.resize(std::max(b.size(), at + width));
    for (std::size_t i = 0; i < width; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * (big ? width - 1 - i : i)));
    }
}

void put_text(bytes& b, std::size_t at, std::string_view text) {
    b.resize(std::max(b.size(), at + text.size()));
    std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

bool memory_image::read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                           std::size_t& delivered) const {
    delivered = offset < data_.size() ? std::min<std::size_t>(count, data_.size() - offset) : 0;
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset), delivered, out);
    return true;
}
