// CUE sheets as text. The sheet is read as the image reader reads it, twice; a sheet is
// recognised by its first command alone, and a data track found is one the reader can use.
#include "image/cue.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_cue: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool is_data_framing(const framing& f) {
    for (const framing known : {plain_sectors, raw_mode1, raw_mode2}) {
        if (f.frame_size == known.frame_size && f.data_at == known.data_at) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    cue_data_track track{};
    const cue_reading reading = read_cue_sheet(text, track);
    cue_data_track again{};
    if (read_cue_sheet(text, again) != reading || again.file != track.file ||
        again.start != track.start) {
        fail("a second reading differs", track.file);
    }
    if (reading != cue_reading::not_a_sheet && !looks_like_cue_sheet(text)) {
        fail("read as a sheet", "but does not look like one");
    }
    if (reading == cue_reading::data_track) {
        if (track.file.empty() || track.file.find('\\') != std::string::npos) {
            fail("track file", track.file);
        }
        if (!is_data_framing(track.frames) || track.start % track.frames.frame_size != 0) {
            fail("track framing",
                 std::to_string(track.frames.frame_size) + " at " + std::to_string(track.start));
        }
    }
    return 0;
}
