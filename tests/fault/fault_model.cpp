#include "fault_model.hpp"

#include <algorithm>
#include <array>
#include <sstream>

namespace {

constexpr char done_prefix[] = "done > ";
constexpr char drive_root[] = "q:\\";

constexpr int status_ok = 0;
constexpr int status_failed = 255;

// What the program reads of each kind of file.
constexpr std::size_t portrait_bytes = 12800;
constexpr std::size_t event_cel_bytes = 84480;
constexpr std::size_t screen_table_bytes = 64 * 32 * 2; // the rest of a screen map is unread
constexpr std::size_t cnx_header_bytes = 16;

// A back-reference before any output, where the stream starts.
constexpr std::size_t corrupt_at = cnx_header_bytes;
constexpr std::array<std::uint8_t, 3> corrupt_stream{0x02, 0x00, 0x00};

constexpr std::size_t bmp_width_offset = 18;

// Routines whose name an error line may carry.
constexpr std::array routines{"dec_cnxdat", "dec_cnxlz", "dec_s8_tile", "opti_ss_pnb",
                              "cutimage",   "dec_ss_hc", "bmp_out",     "dec_face"};
constexpr std::array<status, 7> context_codes{
    err_open, err_unsupported, err_argument, err_memory, err_reference, err_overrun, err_read};

std::string upper_extension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string{} : name.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

std::string open_error(const std::string& file) {
    return report_of(err_open, (drive_root + file).c_str());
}

enum class effect {
    fails,        // the load or the picture fails with `line` (none if empty)
    unchanged,    // the damage lies in bytes the program never reads
    same_console, // the pictures still come out, possibly different
    cut_sprite,   // a sprite with fewer rows
    unknown,      // any known error line, the affected pictures' done lines or not
};

struct verdict {
    effect what;
    std::string line;
};

verdict judge(const std::string& file, const std::string& group, damage kind,
              const bytes& original) {
    if (kind == damage::missing) {
        // Portraits are listed, not opened by name: a missing one is never looked for.
        return {effect::fails, group == portraits_group ? std::string{} : open_error(file)};
    }
    if (kind == damage::corrupt) {
        return {effect::fails, report_of(err_reference, "dec_cnxlz")};
    }
    const std::size_t half = original.size() / 2;
    if (is_cnx(original)) {
        // A cut stream runs out before the output is full; a cut header is refused outright.
        return {effect::fails, half <= cnx_header_bytes ? report_of(err_argument, "dec_cnxdat")
                                                        : report_of(err_overrun, "dec_cnxlz")};
    }
    const std::string extension = upper_extension(file);
    if (group == portraits_group) {
        return {half < portrait_bytes ? effect::fails : effect::unchanged, {}};
    }
    if (group == events_group && extension == ".CEL") {
        return {half != event_cel_bytes ? effect::fails : effect::unchanged, {}};
    }
    if ((group == events_group || group == endings_group) && extension == ".MAP") {
        return {half >= screen_table_bytes ? effect::unchanged : effect::unknown, {}};
    }
    if (group == endings_group && extension == ".CEL") {
        return {effect::same_console, {}};
    }
    if (group == title_group && extension == ".SPR") {
        return {effect::cut_sprite, {}};
    }
    if (group == title_group && (extension == ".BBG" || extension == ".CEL")) {
        return {effect::same_console, {}};
    }
    // Cell-map tables: a cut table may change the cell depth.
    return {effect::unknown, {}};
}

std::uint32_t bmp_width(const bytes& bmp) {
    return bmp.size() < bmp_width_offset + 4 ? 0 : le32_at(bmp, bmp_width_offset);
}

} // namespace

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(begin, next - begin));
        begin = next;
    }
    return lines;
}

std::vector<sample_picture> parse_manifest(const std::string& text) {
    std::vector<sample_picture> pictures;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        sample_picture p;
        fields >> p.bmp >> p.group;
        for (std::string source; fields >> source;) {
            p.sources.push_back(source);
        }
        if (p.sources.empty()) {
            return {};
        }
        pictures.push_back(std::move(p));
    }
    return pictures;
}

std::string done_line(const std::string& bmp) {
    return done_prefix + bmp + "\n";
}

std::string done_picture(const std::string& line) {
    constexpr std::size_t prefix_length = sizeof done_prefix - 1;
    if (!line.starts_with(done_prefix) || !line.ends_with('\n')) {
        return {};
    }
    return line.substr(prefix_length, line.size() - prefix_length - 1);
}

const char* damage_name(damage kind) {
    switch (kind) {
    case damage::missing:
        return "missing";
    case damage::half:
        return "half";
    case damage::corrupt:
        return "corrupt";
    }
    return "?";
}

bool is_cnx(const bytes& file) {
    return file.size() >= 3 && file[0] == 'C' && file[1] == 'N' && file[2] == 'X';
}

bytes damaged(const bytes& original, damage kind) {
    if (kind == damage::half) {
        return bytes(original.begin(),
                     original.begin() + static_cast<std::ptrdiff_t>(original.size() / 2));
    }
    bytes file = original;
    if (kind == damage::corrupt && file.size() >= corrupt_at + corrupt_stream.size()) {
        std::copy(corrupt_stream.begin(), corrupt_stream.end(),
                  file.begin() + static_cast<std::ptrdiff_t>(corrupt_at));
    }
    return file;
}

expectation expect(const reference& ref, const std::string& file, damage kind,
                   const bytes& original) {
    std::vector<const sample_picture*> readers;
    for (const sample_picture& p : ref.pictures) {
        if (std::find(p.sources.begin(), p.sources.end(), file) != p.sources.end()) {
            readers.push_back(&p);
        }
    }
    expectation e{true, ref.console, {status_ok}, {}, std::nullopt};
    if (readers.empty()) {
        return e;
    }
    const std::string& group = readers.front()->group;
    const auto in_group = std::count_if(ref.pictures.begin(), ref.pictures.end(),
                                        [&](const sample_picture& p) { return p.group == group; });
    // Files every picture of a group reads are loaded for the group, before any picture.
    const bool whole_group = static_cast<std::ptrdiff_t>(readers.size()) == in_group;

    for (const sample_picture* p : readers) {
        e.affected.insert(p->bmp);
    }
    // The first failing ending stops the endings after it too.
    std::set<std::string> stopped;
    if (group == endings_group) {
        const auto first =
            std::find_if(ref.pictures.begin(), ref.pictures.end(),
                         [&](const sample_picture& p) { return &p == readers.front(); });
        std::for_each(first, ref.pictures.end(), [&](const sample_picture& p) {
            if (p.group == endings_group) {
                stopped.insert(p.bmp);
            }
        });
    }
    // With the last portrait gone the search finds none at all.
    const bool no_portraits = group == portraits_group && whole_group && kind == damage::missing;
    const bool group_fails =
        group == endings_group || no_portraits || (whole_group && group != portraits_group);

    verdict v = no_portraits ? verdict{effect::fails, report_of(err_no_file, nullptr)}
                             : judge(file, group, kind, original);
    if (v.what == effect::cut_sprite) {
        const auto bmp = ref.bmps.find(readers.front()->bmp);
        const std::uint32_t width = bmp == ref.bmps.end() ? 0 : bmp_width(bmp->second);
        const std::uint32_t rows =
            width == 0 ? 0 : static_cast<std::uint32_t>(original.size() / 2 / width);
        if (rows == 0) {
            v = {effect::fails, report_of(err_argument, "bmp_out")};
        } else {
            e.cut = sprite_cut{readers.front()->bmp, rows};
        }
    }
    if (v.what == effect::unchanged) {
        e.affected.clear();
        return e;
    }
    if (v.what == effect::same_console || v.what == effect::cut_sprite) {
        return e;
    }

    // The affected pictures' done lines go; an error line, if any, stands at the first.
    e.affected.insert(stopped.begin(), stopped.end());
    std::vector<std::string> console;
    bool placed = false;
    for (const std::string& line : ref.console) {
        if (e.affected.count(done_picture(line)) == 0) {
            console.push_back(line);
        } else if (!placed) {
            placed = true;
            if (v.what == effect::fails && !v.line.empty()) {
                console.push_back(v.line);
            }
        }
    }
    e.console = std::move(console);
    if (v.what == effect::unknown) {
        e.exact = false;
        if (group_fails) {
            e.statuses.insert(status_failed);
        }
    } else if (group_fails) {
        e.statuses = {status_failed};
    }
    return e;
}

bool is_known_error(const std::string& line, const std::string& file) {
    if (!line.starts_with("Error!  ")) {
        return false;
    }
    const std::string path = drive_root + file;
    for (const status code : context_codes) {
        if (line == report_of(code, path.c_str())) {
            return true;
        }
        for (const char* routine : routines) {
            if (line == report_of(code, routine)) {
                return true;
            }
        }
    }
    return false;
}
