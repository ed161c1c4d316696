// Shared test fixtures: a scratch working directory with a disc mounted as drive q,
// files built byte by byte, and the console captured.
#pragma once

#include "core/error.hpp"
#include "encode/byte_sink.hpp"
#include "extract/picture_run.hpp"
#include "gfx/colour.hpp"
#include "image/image_file.hpp"
#include "platform/disc.hpp"
#include "scratch_folder.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

using bytes = std::vector<std::uint8_t>;

// A scratch folder for the test, entered, with an empty drive folder "q:" inside; on
// destruction it is left and removed with all in it.
class scratch_dir {
  public:
    scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }
    // Puts a file into the disc's root.
    void put_disc_file(const std::string& name, const bytes& contents) const;

  private:
    scratch_folder folder_;
};

void write_file(const std::filesystem::path& path, const bytes& contents);

// Puts value at at, width bytes, most significant first where big; the bytes grow to hold it.
void put(bytes& b, std::size_t at, std::uint64_t value, std::size_t width, bool big);
// Puts text's bytes at at; the bytes grow to hold them.
void put_text(bytes& b, std::size_t at, std::string_view text);

// An image file held in memory.
class memory_image final : public image_file {
  public:
    explicit memory_image(bytes data) : data_(std::move(data)) {}

    bool read_at(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                 std::size_t& delivered) const override;
    std::uint64_t size() const override { return data_.size(); }

  private:
    bytes data_;
};
bytes read_file(const std::filesystem::path& path);

// A loader's byte count, or the console code of its failure: one number to compare.
inline status count_or_code(const result<std::uint32_t>& got) {
    return got ? static_cast<status>(*got) : code_of(got.failure().kind);
}

// Everything fn prints to standard output.
std::string console_of(const std::function<void()>& fn);
// What errormes prints for a code and context: the line a failure must show.
std::string report_of(status code, const char* context);

// A stream in memory that the code under test writes into, as it would into a console.
class memory_stream {
  public:
    memory_stream();
    ~memory_stream();
    memory_stream(const memory_stream&) = delete;
    memory_stream& operator=(const memory_stream&) = delete;

    std::FILE* file() const { return file_; }
    // Everything written so far.
    std::string text() const;

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_ = nullptr;
};
// An encoder's bytes, kept in memory; a write that would take them past limit fails, as a
// full disk fails (ENOSPC), and nothing of it is kept.
struct memory_sink {
    bytes out;
    std::size_t limit = SIZE_MAX;

    byte_sink sink() { return {this, take}; }
    static result<void> take(void* target, const std::uint8_t* bytes, std::size_t count);
};

// Runs fn with files limited to limit bytes, as a disk that fills up there: writes past it fail.
void with_file_size_limit(std::uint64_t limit, const std::function<void()>& fn);

// Drive q as the run opens it: the folder "q:" of the scratch directory, as it is now.
std::unique_ptr<disc> drive_q();

// The picture routines run on drive q, writing into the current folder, with the console
// (Shift-JIS) and standard error of the run captured.
class test_run {
  public:
    explicit test_run(picture_settings settings = {});
    ~test_run();
    test_run(const test_run&) = delete;
    test_run& operator=(const test_run&) = delete;

    picture_run& run() { return *run_; }
    std::string console() const { return console_.text(); }
    std::string errors() const { return errors_.text(); }

  private:
    struct parts;
    std::unique_ptr<parts> parts_;
    memory_stream console_;
    memory_stream errors_;
    std::unique_ptr<picture_run> run_;
};

// What a picture group returned and printed, run on drive q.
struct group_run {
    bool ok;
    std::string console;
};
// The group of the table by that name, as a run that selects everything makes it; ok unless
// it failed as a whole.
group_run run_group(const char* name);

// What a routine handed up as the console's code for it: 0 when it succeeded.
template <class T> status code_of(const result<T>& r) {
    return r ? st_ok : code_of(r.failure().kind);
}

// The pictures the sample disc gives, as its maker describes them in expected/manifest.txt
// under the folder it made: a line each.
std::size_t sample_picture_count(const std::filesystem::path& made);

// Big-endian words and little-endian fields, as the formats store them.
void put_be16(bytes& out, std::uint16_t v);
std::uint32_t le32_at(const bytes& b, std::size_t offset);
std::uint16_t le16_at(const bytes& b, std::size_t offset);

// A CNX file around a stream: header with the unpacked size, then the stream.
bytes cnx_file(const bytes& stream, std::uint32_t unpacked_size);
// A CNX file of `size` bytes that repeat `unit` (at most 255 bytes): one literal run,
// then back-references at the unit's distance, so the stream is far smaller than its output.
bytes cnx_of_repeats(const bytes& unit, std::uint32_t size);
