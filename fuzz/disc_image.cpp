#include "disc_image.hpp"

#include "extract/title_tables.hpp"

#include <algorithm>
#include <cstdio>

namespace {

std::vector<std::string> make_names() {
    std::vector<std::string> names = {
        // Portraits: the sample's, a lower-case one, the longest name that fits the path
        // buffer, one character more, and names the search must not take.
        "F001.SPR", "F002.SPR", "F003.SPR", "F004.SPR", "F010.SPR", "f020.spr", "F.SPR",
        "F0123456.SPR", "F01234567.SPR", "FSPR", "F001.SPRX", "F001.spr",
        // Lower-case twins of shared files, found only without regard to case.
        "title.seq", "event.map", "mp1001.seq",
        // Events.
        "MP1001.SEQ", "EVENT.MAP", "OP_ARLE.CEL", "EV1001.CEL"};
    char name[32];
    for (unsigned n = 1; n <= 27; ++n) {
        if (n == 15) {
            continue; // never read
        }
        std::snprintf(name, sizeof name, "EV_%02u.CEL", n);
        names.emplace_back(name);
    }
    // Endings: every map and every part; ED_05 alone has one cell file.
    for (unsigned n = 1; n <= 9; ++n) {
        std::snprintf(name, sizeof name, "ED_%02u.MAP", n);
        names.emplace_back(name);
        for (unsigned part = 0; part < 5 && n != 5; ++part) {
            std::snprintf(name, sizeof name, "ED_%02u%u.CEL", n, part);
            names.emplace_back(name);
        }
    }
    names.emplace_back("ED_05.CEL");
    names.insert(names.end(), {"TITLE.SEQ", "TITLELOG.SPR", "TITLEBG.BBG"});
    for (const sprite_sheet& sheet : dm_sprite_sheets) {
        names.push_back(std::string("DM_") + sheet.name + ".SPR");
    }
    for (const cell_map& row : dm_cell_maps) {
        names.push_back(std::string("DM_") + row.map_name + ".MAP");
        if (counts_parts(row.counts) == 0) {
            names.push_back(std::string("DM_") + row.cel_name + ".CEL");
        }
        for (unsigned part = 1; part <= counts_parts(row.counts); ++part) {
            names.push_back(std::string("DM_") + row.cel_name + std::to_string(part) + ".CEL");
        }
    }
    return names;
}

} // namespace

const std::vector<std::string>& disc_file_names() {
    static const std::vector<std::string> names = make_names();
    return names;
}

std::vector<memory_file> parse_disc_image(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string>& names = disc_file_names();
    std::vector<memory_file> files;
    std::size_t at = 0;
    while (at < size) {
        memory_file file;
        const std::uint8_t index = data[at++];
        if (index == free_name_marker) {
            const std::size_t length = at < size ? data[at++] : 0;
            const std::size_t taken = std::min(length, size - at);
            file.name.assign(reinterpret_cast<const char*>(data + at), taken);
            at += taken;
        } else {
            file.name = names[index % names.size()];
        }
        if (size - at < record_header_size - 1) {
            files.push_back(std::move(file));
            break;
        }
        const std::uint32_t field =
            (std::uint32_t{data[at]} << 16) | (std::uint32_t{data[at + 1]} << 8) | data[at + 2];
        at += record_header_size - 1;
        const std::size_t length = std::min(field & record_length_mask, max_disc_file_size);
        if ((field & record_repeat_flag) != 0) {
            const std::size_t pattern = at < size ? std::size_t{data[at++]} + 1 : 0;
            const std::size_t taken = std::min(pattern, size - at);
            if (taken > 0) {
                file.data.resize(length);
                for (std::size_t i = 0; i < length; ++i) {
                    file.data[i] = data[at + i % taken];
                }
            }
            at += taken;
        } else {
            const std::size_t taken = std::min(length, size - at);
            file.data.assign(data + at, data + at + taken);
            at += taken;
        }
        files.push_back(std::move(file));
    }
    return files;
}

bool append_disc_record(std::vector<std::uint8_t>& out, const std::string& name,
                        const std::vector<std::uint8_t>& data) {
    const std::vector<std::string>& names = disc_file_names();
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end() || data.size() > max_disc_file_size) {
        return false;
    }
    const auto size = static_cast<std::uint32_t>(data.size());
    out.push_back(static_cast<std::uint8_t>(found - names.begin()));
    out.push_back(static_cast<std::uint8_t>(size >> 16));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(size));
    out.insert(out.end(), data.begin(), data.end());
    return true;
}
