#include "image/image_formats.hpp"

#include "image/alcohol.hpp"
#include "image/chd/chd.hpp"
#include "image/chd/chd_built.hpp"
#include "image/clonecd.hpp"
#include "image/cue.hpp"
#include "image/iso9660.hpp"
#include "image/nero.hpp"
#include "image/text_lines.hpp"

namespace {

constexpr std::string_view iso_extensions[] = {"iso"};
constexpr std::string_view raw_extensions[] = {"bin"};
constexpr std::string_view cue_extensions[] = {"cue"};
constexpr std::string_view clonecd_extensions[] = {"ccd"};
constexpr std::string_view alcohol_extensions[] = {"mds", "mdf"};
constexpr std::string_view nero_extensions[] = {"nrg"};
constexpr std::string_view chd_extensions[] = {"chd"};

// Probed in this order, which -V keeps. A sheet can come last: its text holds no volume
// descriptor where a volume's lies. The formats after it are told by signatures a volume
// does not hold where they lie; a .mdf whose own frames hold a volume reads as the volume
// (the same sectors its descriptor would give), and one that holds none, by its name,
// through its descriptor.
constexpr image_format formats[] = {
    {"ISO 9660", ".iso", iso_extensions, true, true, probe_iso_image, open_iso_image},
    {"raw 2352-byte", "a raw .bin", raw_extensions, true, false, probe_raw_image, open_raw_image},
    {"CUE sheets", "a .cue sheet", cue_extensions, false, false, probe_cue_sheet, open_cue_sheet},
    {"CloneCD", "a CloneCD .ccd", clonecd_extensions, true, false, probe_clonecd, open_clonecd},
    {"Alcohol 120%", "an Alcohol .mds", alcohol_extensions, true, false, probe_alcohol,
     open_alcohol},
    {"Nero", "a Nero .nrg", nero_extensions, true, false, probe_nero, open_nero},
    {"CHD", "a .chd image", chd_extensions, true, false, probe_chd, open_chd, chd_images_built},
};

// What follows the last dot of the path's last name; empty when it has none.
std::string_view extension_of(std::string_view path) {
    const std::size_t name = path.find_last_of("/\\");
    if (name != std::string_view::npos) {
        path.remove_prefix(name + 1);
    }
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

} // namespace

std::span<const image_format> image_formats() {
    return formats;
}

const image_format* image_format_of(const image_file& file, std::string_view path) {
    for (const image_format& f : formats) {
        if (f.probe(file)) {
            return &f;
        }
    }
    const std::string_view extension = extension_of(path);
    for (const image_format& f : formats) {
        for (const std::string_view e : f.extensions) {
            if (same_word(extension, e)) {
                return &f;
            }
        }
    }
    return nullptr;
}

std::string image_format_support(bool devices) {
    std::string listed;
    std::size_t built = 0;
    for (const image_format& f : formats) {
        built += f.built ? 1 : 0;
    }
    for (std::size_t i = 0, shown = 0; i < std::size(formats); ++i) {
        const image_format& f = formats[i];
        if (!f.built) {
            continue;
        }
        listed += shown == 0 ? "" : shown + 1 == built ? " and " : ", ";
        ++shown;
        listed += f.name;
        std::string bracket;
        for (const std::string_view e :
             f.extensions_shown ? f.extensions : std::span<const std::string_view>()) {
            bracket += (bracket.empty() ? "." : ", .") + std::string(e);
        }
        if (devices && f.devices) {
            bracket += (bracket.empty() ? "" : ", ") + std::string("a drive's device");
        }
        if (!bracket.empty()) {
            listed += " (" + bracket + ")";
        }
    }
    return listed;
}

std::string image_formats_in_help() {
    std::string listed;
    for (const image_format& f : formats) {
        if (!f.built) {
            continue;
        }
        listed += (listed.empty() ? "" : ", ") + std::string(f.in_help);
    }
    return listed;
}

error image_error(error_kind kind, const std::string& path, std::string_view format) {
    error e;
    e.kind = kind;
    e.path = path;
    e.subject = std::string(format);
    return e;
}

error track_file_error(error why, const std::string& path, const std::string& shown) {
    why.path = path;
    why.subject = shown;
    why.detail = error_detail::track_file;
    return why;
}

result<opened_image> open_track_beside(const std::string& path, const std::string& name,
                                       const std::string& shown, framing frames,
                                       std::uint64_t start, file_beside beside) {
    result<named_file> named = beside(path, name);
    if (!named) {
        return track_file_error(std::move(named.failure()), path, shown);
    }
    const std::uint64_t track_size = named->file->size();
    if (start >= track_size) {
        error late = image_error(error_kind::track_past_end, path);
        late.subject = shown;
        late.figures[0] = start;
        late.figures[1] = track_size;
        return late;
    }
    std::string track_path = std::move(named.value().path);
    return opened_image{framed_track(std::move(named.value().file), frames, start),
                        std::move(track_path)};
}

std::string name_beside(const std::string& image, const std::string& name) {
    if (!name.starts_with('.') || name.find_first_of("./\\", 1) != std::string::npos) {
        return name;
    }
    const std::size_t slash = image.find_last_of("/\\");
    std::string own = slash == std::string::npos ? image : image.substr(slash + 1);
    const std::size_t dot = own.rfind('.');
    if (dot != std::string::npos && dot != 0) {
        own.erase(dot);
    }
    return own + name;
}
