// The manifest: a JSON document of the run, for scripts that run the program over many
// discs. Built where nlohmann-json is found: manifest_built tells whether it is.
#pragma once

#include "app/report.hpp"
#include "extract/picture_run.hpp"

#include <cstdio>
#include <memory>
#include <string>

extern const bool manifest_built;
// What this build writes a manifest with, for --version.
std::string manifest_support();

// What the run was asked, for the document's head.
struct manifest_head {
    std::string source; // as given, or the drive's root in the dialogue
    std::string output; // the output folder as shown
    std::string format; // BMP, PNG
    bool listing = false;
};

// Gathers the run's events; write() puts the document into a file opened by the caller.
class manifest_listener : public run_listener {
  public:
    // Null where the build has no manifest.
    static std::unique_ptr<manifest_listener> make(manifest_head head);
    // The document, with the run's counts and exit status. False when it cannot be written.
    virtual bool write(std::FILE* file, int exit_status, const run_counts& counts) = 0;
};
