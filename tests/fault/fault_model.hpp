// What a run on the sample disc with one file damaged must show, worked out from the complete
// run and the sample disc's manifest (which disc files each picture is made from).
#pragma once

#include "support.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The picture groups as the manifest names them.
constexpr char portraits_group[] = "portraits";
constexpr char events_group[] = "events";
constexpr char endings_group[] = "endings";
constexpr char title_group[] = "title";

struct sample_picture {
    std::string bmp;
    std::string group;
    std::vector<std::string> sources; // disc files, as the disc names them
};

// The complete run: every picture in the order of its done line, the console line by line
// (each with its '\n'), and the pictures' bytes.
struct reference {
    std::vector<sample_picture> pictures;
    std::vector<std::string> console;
    std::map<std::string, bytes> bmps;
};

// Empty if the text has a malformed line.
std::vector<sample_picture> parse_manifest(const std::string& text);
std::vector<std::string> split_lines(const std::string& text);
std::string done_line(const std::string& bmp);
// The picture a done line announces; empty for any other line.
std::string done_picture(const std::string& line);

enum class damage { missing, half, corrupt };

const char* damage_name(damage kind);
bool is_cnx(const bytes& file);
// The file as the damaged disc holds it; not called for a missing one.
bytes damaged(const bytes& original, damage kind);

// A sprite read from a cut file: the first `rows` rows of the complete picture.
struct sprite_cut {
    std::string bmp;
    std::uint32_t rows;
};

struct expectation {
    // Exact: the console is `console` byte for byte. Otherwise `console` is what must remain
    // once the done lines of affected pictures and any known error lines are taken out.
    bool exact;
    std::vector<std::string> console;
    std::set<int> statuses;
    // Pictures that may be missing or differ; written ones must still be announced. All
    // others must come out exactly as in the complete run.
    std::set<std::string> affected;
    std::optional<sprite_cut> cut;
};

expectation expect(const reference& ref, const std::string& file, damage kind,
                   const bytes& original);

// An error line the program may print for a damaged file, with any of its messages.
bool is_known_error(const std::string& line, const std::string& file);
