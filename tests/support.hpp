// Shared test fixtures: a scratch working directory with a disc mounted as drive q,
// files built byte by byte, and the console captured.
#pragma once

#include "app/errormes.hpp"
#include "platform/disc.hpp"
#include "scratch_folder.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
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
bytes read_file(const std::filesystem::path& path);

// Everything fn prints to standard output.
std::string console_of(const std::function<void()>& fn);
// What errormes prints for a code and context: the line a failure must show.
std::string report_of(status code, const char* context);
// Runs fn with files limited to limit bytes, as a disk that fills up there: writes past it fail.
void with_file_size_limit(std::uint64_t limit, const std::function<void()>& fn);

// Drive q as the run opens it: the folder "q:" of the scratch directory, as it is now.
std::unique_ptr<disc> drive_q();

// What a picture group returned and printed, run on drive q.
struct group_run {
    status result;
    std::string console;
};
group_run run_group(status (*group)(const disc& source));

// Big-endian words and little-endian fields, as the formats store them.
void put_be16(bytes& out, std::uint16_t v);
std::uint32_t le32_at(const bytes& b, std::size_t offset);
std::uint16_t le16_at(const bytes& b, std::size_t offset);

// A CNX file around a stream: header with the unpacked size, then the stream.
bytes cnx_file(const bytes& stream, std::uint32_t unpacked_size);
// A CNX file of `size` bytes that repeat `unit` (at most 255 bytes): one literal run,
// then back-references at the unit's distance, so the stream is far smaller than its output.
bytes cnx_of_repeats(const bytes& unit, std::uint32_t size);
