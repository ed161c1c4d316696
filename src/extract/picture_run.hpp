// The run of the picture groups over one disc: what it is asked to do, what it tells its
// listener, and the one place where a picture is written.
#pragma once

#include "core/status.hpp"
#include "encode/picture.hpp"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class disc;
class output_folder;
struct picture_format;

// Which pictures a run takes: all of them, or those whose name matches one of the patterns
// (a glob without regard to case) or whose group one of them names.
class selection {
  public:
    selection() = default;
    explicit selection(std::vector<std::string> patterns) : patterns_(std::move(patterns)) {}

    bool everything() const { return patterns_.empty(); }
    bool selects(const std::string& name, const char* group) const;

  private:
    std::vector<std::string> patterns_;
};

// What the run does with the pictures it makes.
struct picture_settings {
    const picture_format* format = nullptr; // null: the default, BMP
    output_folder* folder = nullptr;        // where they go; when listing, where they would
    bool list_only = false;                 // decode everything, write nothing
    bool no_clobber = false;                // a file already there stays as it is
    selection only;
};

// A picture made, or that would be made.
struct picture_record {
    std::string name;            // without extension: F001, EV_01, DM_SHEE1_0
    std::string file;            // as written into the folder: F001.BMP
    const char* group = nullptr; // faces, events, endings, title, sprites, cellmaps
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint64_t bytes = 0;          // the file's size, once written
    std::vector<std::string> sources; // the disc files it came from
};

enum class picture_fate {
    written,
    listed,    // a listing run: it would have been written
    kept,      // a file of its name was there and stays (no clobbering)
    duplicate, // an earlier picture of this run had its name and stays
};

// A failure, and the picture or group it ended.
struct failure_record {
    fault what;
    const char* group = nullptr;
    std::string picture; // empty when a step that the group's pictures share failed
    bool shown = true;   // whether the console has a line for it
};

// Receives the events of a run as they happen, in order.
class run_listener {
  public:
    virtual ~run_listener() = default;
    virtual void picture(const picture_record& record, picture_fate fate) = 0;
    virtual void failure(const failure_record& record) = 0;
    // The group could not run as a whole; its result fails the run.
    virtual void group_failed(const char* group) = 0;
};

class picture_run {
  public:
    picture_run(const disc& source, const picture_settings& settings, run_listener& listener);

    const disc& source() const { return source_; }
    bool wants(const std::string& name, const char* group) const {
        return settings_.only.selects(name, group);
    }
    bool wants_everything() const { return settings_.only.everything(); }
    void fail(failure_record record) { listener_.failure(record); }

    // Writes a picture into the folder in the run's format, as the record's name, the
    // format's extension and tail (or, listing, only checks it), and tells the listener.
    // True when it was written, listed or left out on purpose; false when it failed, which
    // has been told.
    bool write(picture_record& record, const picture& p, const std::string& tail = {});

  private:
    // The picture's file is the run's from now on; the listener hears what became of it.
    bool settle(const picture_record& record, picture_fate fate);

    const disc& source_;
    const picture_settings& settings_;
    const picture_format& format_;
    run_listener& listener_;
    std::set<std::string> made_; // the files made by this run, to keep the first of a name
};

// One picture on its way: the disc files it reads, and its failures told under its name.
class picture_job {
  public:
    // An empty name stands for the steps a group's pictures share.
    picture_job(picture_run& run, const char* group, std::string name = {})
        : run_(run), group_(group), name_(std::move(name)) {}

    // Loads a disc file as load_disc_file does and notes it among the picture's sources.
    // Returns the bytes delivered, or the negative code of a failure it has told.
    status load(const char* file, std::uint8_t* buffer, std::uint32_t capacity);
    // The same for a file that must fill size bytes; a shorter one fails without a line.
    bool load_exactly(const char* file, std::uint8_t* buffer, std::uint32_t size);
    // Notes a disc file that the picture takes data from, loaded by someone else.
    void uses(const char* file) { sources_.emplace_back(file); }

    // Tells a step's failure under the routine's name; true when result is success.
    bool check(status result, const char* routine);
    // Tells a failure; false, for the caller to hand on.
    bool fail(status code, const char* routine);
    // Tells a failure that the console shows no line for, with why.
    bool fail_quietly(status code, const char* routine, std::string why);

    // Writes the finished picture as NAME plus the format's extension, followed by tail
    // (a portrait keeps what followed its extension). False when it failed (told).
    bool write(const picture& p, const std::string& tail = {}) { return write_as(name_, p, tail); }
    // The same for one of several pictures made from the job's files, under its own name.
    bool write_as(const std::string& name, const picture& p, const std::string& tail = {});

  private:
    bool tell(fault what, bool shown);

    picture_run& run_;
    const char* group_;
    std::string name_;
    std::vector<std::string> sources_;
};
