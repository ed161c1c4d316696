// Where the run's manifest goes, checked before the run so that nothing the run reads or the
// user keeps is lost: standard output ("-"); what is not a regular file (a pipe, a device, a
// file reached through a link), written in place; else a file made under a name of its own
// beside where it goes and given its name when whole, as the pictures are.
#pragma once

#include "core/error.hpp"

#include <memory>
#include <string>
#include <string_view>

class disc;
class output_folder;
struct picture_format;

// Whether a file that begins so is a manifest this program wrote, of any version (an empty
// file holds nothing to lose either).
bool is_manifest_text(std::string_view beginning);

// The line that says the manifest at path could not be written, and why.
std::string cannot_write_manifest(const std::string& path, const std::string& reason);

class manifest_file {
  public:
    manifest_file();
    ~manifest_file();
    manifest_file(const manifest_file&) = delete;
    manifest_file& operator=(const manifest_file&) = delete;

    // Takes the path the user gave, before anything is read. Why not, when nothing
    // can be written there: a folder, a file that is no manifest of this program, a file or
    // folder this user may not write, "-" in the dialogue (whose console is standard output).
    // A folder still missing is taken when it is the pictures' folder (output), made later.
    result<void, std::string> choose(const std::string& path, bool dialogue,
                                     const std::string& output);
    // Once the disc and the pictures' folder (null in a listing) are open: why not, when the
    // manifest would be a file the disc is read from or take a picture's name, or its
    // folder takes no new file.
    result<void, std::string> check(const disc& source, const output_folder* pictures,
                                    const picture_format& format);

    bool on_standard_output() const { return way_ == way::standard_output; }
    const std::string& path() const { return path_; }

    // Writes the document; why not, when it did not arrive whole.
    result<void> write(std::string_view text);

  private:
    enum class way { standard_output, in_place, replaced };

    // Opens the folder a replaced file lies in, and with check_writable makes sure it takes
    // a new file.
    result<void> hold_folder(bool check_writable);

    std::string path_;
    std::string folder_; // of a replaced file: where it lies ("." for the current one)
    std::string name_;
    way way_ = way::replaced;
    std::unique_ptr<output_folder> held_;
};
