// The manifest: a JSON document of the run, for scripts that run the program over many
// discs. Built where nlohmann-json is found: manifest_built tells whether it is.
#pragma once

#include "app/report.hpp"
#include "extract/picture_run.hpp"

#include <memory>
#include <string>

extern const bool manifest_built;
// What this build writes a manifest with, for --version.
std::string manifest_support();

// The document's format, named at its top: scripts tell a manifest and its version by it.
constexpr char manifest_format[] = "quillmoor-manifest";
constexpr int manifest_format_version = 2;

// What the run was asked, for the document's head.
struct manifest_head {
    std::string source;      // as given, or the drive's root in the dialogue
    std::string source_path; // absolute: the folder, image or device it was read from
    std::string output;      // the output folder as shown; empty in a listing
    std::string output_path; // absolute
    std::string format;      // BMP, PNG
    bool listing = false;
};

// Gathers the run's events; document() is the text to write when the run has ended.
class manifest_listener : public run_listener {
  public:
    // Null where the build has no manifest.
    static std::unique_ptr<manifest_listener> make(manifest_head head);
    // The document, with the run's counts and exit status.
    virtual std::string document(int exit_status, const run_counts& counts) const = 0;
    // The page of the pictures written into the output folder, under its name.
    void set_gallery(std::string file) { gallery_ = std::move(file); }

  protected:
    std::string gallery_; // none: no page written
};
