// The run of the picture groups over one disc: what it is asked to do, what it tells its
// listener, and the one place where a picture is written.
#pragma once

#include "core/error.hpp"
#include "encode/picture.hpp"
#include "gfx/colour.hpp"
#include "platform/heap.hpp"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

class disc;

// A finished picture as the groups make it: BMP rows and a palette of blue, green, red, 0.
struct picture {
    const std::uint8_t* palette = nullptr; // 2^bits entries of blue, green, red, 0; none at 24
    const std::uint8_t* pixels = nullptr;  // rows of bmp_stride(width, bits) bytes, top first
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    bool marker_transparent = false; // the marker colour (1, 1, 1) is see-through; 24 bits only
};
class picture_sink;
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
    picture_sink* pictures = nullptr;       // where they go; when listing, where they would
    bool list_only = false;                 // decode everything, write nothing
    bool no_clobber = false;                // a file already there stays as it is
    bool checksums = false;                 // each written file's SHA-256 in its record
    selection only;
};

// A picture made, or that would be made.
struct picture_record {
    std::string name;            // without extension: F001, EV_01, DM_SHEE1_0
    std::string file;            // as the sink names it: F001.BMP
    const char* group = nullptr; // faces, events, endings, title, sprites, cellmaps
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint64_t bytes = 0;          // the file's size, once written
    std::string sha256;               // of the file written, when the run is asked for it
    std::vector<std::string> sources; // the disc files it came from
};

enum class picture_fate {
    written,
    listed,    // a listing run: it would have been written
    kept,      // a file of its name was there and stays (no clobbering)
    duplicate, // an earlier picture of this run had its name and stays
};

// A failure, and the pictures it cost.
struct failure_record {
    error what;
    const char* group = nullptr;
    // The pictures it left unmade; none for a step that the group's pictures share, whose
    // group then fails as a whole (run_listener::group_failed names them).
    std::vector<std::string> pictures;
    bool shown = true; // whether the console has a line for it
};

// Receives the events of a run as they happen, in order.
class run_listener {
  public:
    virtual ~run_listener() = default;
    virtual void picture(const picture_record& record, picture_fate fate) = 0;
    virtual void failure(const failure_record& record) = 0;
    // The group could not run as a whole, after the failure that stopped it; its result
    // fails the run. unmade: the pictures of the group the run selected that it did not
    // make, nor lost to an earlier failure.
    virtual void group_failed(const char* group, const std::vector<std::string>& unmade) = 0;
};

class picture_run {
  public:
    picture_run(const disc& source, const picture_settings& settings, run_listener& listener);

    const disc& source() const { return source_; }
    bool wants(const std::string& name, const char* group) const {
        return settings_.only.selects(name, group);
    }
    bool wants_everything() const { return settings_.only.everything(); }
    // Tells a failure, and takes the pictures it cost as accounted for.
    void fail(const failure_record& record);

    // Writes a picture into the run's picture sink in its format, as the record's name, the
    // format's extension and tail (or, listing, only checks it), and tells the listener.
    // Succeeds when it was written, listed or left out on purpose; else what went wrong, for
    // the caller to tell.
    result<void> write(picture_record& record, const picture& p, const std::string& tail);

    // The group about to run and the pictures of it that the run selects; the group's
    // failure as a whole is told with those that were neither made nor lost on the way.
    void begin_group(std::vector<std::string> selected) { selected_ = std::move(selected); }
    void group_failed(const char* group);
    // Whether a failure has cost the picture.
    bool lost(const std::string& name) const { return lost_.contains(name); }

  private:
    // Encodes the image into the sink and commits it under its name.
    result<void> publish(picture_record& record, const image& p);
    // The picture's file is the run's from now on; the listener hears what became of it.
    result<void> settle(const picture_record& record, picture_fate fate);

    const disc& source_;
    const picture_settings& settings_;
    const picture_format& format_;
    run_listener& listener_;
    // The files made by this run, without regard to case, to keep the first of a name: on
    // a folder that ignores case (Windows, FAT, macOS), F001.BMP and f001.BMP are one file.
    std::set<std::string> made_;
    std::vector<std::string> selected_;   // the running group's pictures
    std::set<std::string> accounted_for_; // pictures made, left out or lost so far
    std::set<std::string> lost_;          // pictures failures cost
};

// One picture on its way: the disc files it reads, and its failures told under its name.
class picture_job {
  public:
    // An empty name stands for the steps a group's pictures share.
    picture_job(picture_run& run, const char* group, std::string name = {})
        : run_(run), group_(group), name_(std::move(name)) {
        if (!name_.empty()) {
            unmade_.push_back(name_);
        }
    }

    // Loads a disc file as load_disc_file does and notes it among the picture's sources.
    // Gives the bytes delivered; nothing after a failure it has told.
    std::optional<std::uint32_t> load(const char* file, std::uint8_t* buffer,
                                      std::uint32_t capacity);
    // The same for a file that must fill size bytes; a shorter one fails without a line.
    bool load_exactly(const char* file, std::uint8_t* buffer, std::uint32_t size);
    // Notes a disc file that the picture takes data from, loaded by someone else.
    void uses(const char* file) { sources_.emplace_back(file); }
    // The pictures the job makes, when it makes several (a cell map's row): a failure
    // costs those not yet written. By default, the job's own picture.
    void makes(std::vector<std::string> names) { unmade_ = std::move(names); }

    // Tells a step's failure; true when it succeeded.
    bool check(result<void> step) { return step.ok() || fail(std::move(step.failure())); }
    // Tells a failure; false, for the caller to hand on.
    bool fail(error what) { return tell(std::move(what), true); }
    // Tells a failure that the console shows no line for.
    bool fail_quietly(error what) { return tell(std::move(what), false); }

    // Writes the finished picture as NAME plus the format's extension, followed by tail
    // (a portrait keeps what followed its extension). False when it failed (told).
    bool write(const picture& p, const std::string& tail = {}) { return write_as(name_, p, tail); }
    // The same for one of several pictures made from the job's files, under its own name.
    bool write_as(const std::string& name, const picture& p, const std::string& tail = {});

  private:
    bool tell(error what, bool shown);

    picture_run& run_;
    const char* group_;
    std::string name_;
    std::vector<std::string> sources_;
    std::vector<std::string> unmade_;
};

// One group's pictures on their way: the run, the mode the group's colours are converted
// under, and the data its pictures share.
class group_job {
  public:
    group_job(picture_run& run, const char* group, transparency mode)
        : run_(run), group_(group), mode_(mode) {}

    picture_run& run() const { return run_; }
    transparency mode() const { return mode_; }
    // The pictures a failure of the next picture costs: itself, and those made of its files
    // after it. By default, the picture alone.
    const std::vector<std::string>& costs() const { return costs_; }
    void set_costs(std::vector<std::string> names) { costs_ = std::move(names); }

    // The size bytes the group's pictures share, filled by fill on the first picture that
    // asks (its failures told under the group, not a picture); null when that failed, for
    // every picture after.
    const std::uint8_t* shared(std::uint32_t size,
                               bool (*fill)(picture_job& job, std::uint8_t* block));

    // What the pictures of one row of a table share (its cells, tiled), kept by the row's
    // first picture for those after it: loaded and converted once a row, as the files are one.
    struct row_data {
        heap_block block;
        std::uint16_t depth = 0;
    };
    row_data& row() { return row_; }
    // The run starts a row: nothing of the last one is kept.
    void start_row() { row_ = {}; }

  private:
    picture_run& run_;
    const char* group_;
    transparency mode_;
    std::vector<std::string> costs_;
    heap_block shared_;
    bool tried_ = false;
    row_data row_;
};
