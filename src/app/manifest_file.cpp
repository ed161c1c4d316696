#include "app/manifest_file.hpp"

#include "app/describe.hpp"
#include "app/l10n.hpp"
#include "core/ascii.hpp"
#include "encode/folder_sink.hpp"
#include "encode/formats.hpp"
#include "platform/disc.hpp"
#include "platform/file_facts.hpp"
#include "platform/output_folder.hpp"

#include <cerrno>
#include <cstdio>

namespace {

// How documents of this program begin, as they are written (two blanks of indent): this
// version's and the first one's.
constexpr std::string_view manifest_openings[] = {
    "{\n  \"format\": \"quillmoor-manifest\"",
    "{\n  \"program\": \"quillmoor\"",
};
constexpr std::size_t opening_size = 64;

bool is_manifest_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char head[opening_size] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed && is_manifest_text(std::string_view(head, got));
}

// A path without the separators at its end, to compare folders by.
std::string trimmed(std::string path) {
    const std::string separators = path_separators();
    while (path.size() > 1 && separators.find(path.back()) != std::string::npos) {
        path.pop_back();
    }
    return path;
}

// Whether folder is output or lies above it: made with it.
bool made_with(const std::string& folder, const std::string& output) {
    if (output.empty()) {
        return false;
    }
    const std::string f = trimmed(folder);
    const std::string o = trimmed(output);
    return o == f || (o.size() > f.size() && o.starts_with(f) &&
                      std::string(path_separators()).find(o[f.size()]) != std::string::npos);
}

bool ends_with_ignoring_case(const std::string& name, const std::string& tail) {
    return name.size() >= tail.size() &&
           lower_case(name.substr(name.size() - tail.size())) == lower_case(tail);
}

// Writes all of text into file and closes it (standard output is closed with the program's
// other lines); the system's error number when it did not arrive whole.
result<void> write_out(std::FILE* file, std::string_view text) {
    errno = 0;
    bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    int number = written ? 0 : errno;
    if (file != stdout && std::fclose(file) != 0 && written) {
        written = false;
        number = errno;
    }
    if (!written) {
        return error(error_kind::write_failed, nullptr, {}, number != 0 ? number : EIO);
    }
    return {};
}

} // namespace

std::string cannot_write_manifest(const std::string& path, const std::string& reason) {
    return reason.empty()
               ? formatted(_("cannot write the manifest '%s'"), path.c_str())
               : formatted(_("cannot write the manifest '%s': %s"), path.c_str(), reason.c_str());
}

bool is_manifest_text(std::string_view beginning) {
    if (beginning.empty()) {
        return true;
    }
    for (const std::string_view opening : manifest_openings) {
        if (beginning.starts_with(opening)) {
            return true;
        }
    }
    return false;
}

manifest_file::manifest_file() = default;
manifest_file::~manifest_file() = default;

result<void, std::string> manifest_file::choose(const std::string& path, bool dialogue,
                                                const std::string& output) {
    path_ = path;
    if (path == "-") {
        way_ = way::standard_output;
        if (dialogue) {
            return std::string(
                _("--manifest=- needs a SOURCE: the dialogue writes on standard output"));
        }
        return {};
    }
    const std::size_t slash = path.find_last_of(path_separators());
    folder_ = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    const file_facts facts = facts_of(path);
    if (facts.error != 0) {
        return cannot_write_manifest(path, system_reason(facts.error));
    }
    // Standard output by another name (/dev/stdout, the file it is redirected to) is taken
    // as standard output, which then carries the manifest alone.
    if (facts.identity.same_as(standard_output_identity())) {
        return choose("-", dialogue, output);
    }
    switch (facts.type) {
    case file_type::folder:
        return formatted(_("the manifest '%s' is a folder"), path.c_str());
    case file_type::regular:
        if (!is_manifest_file(path)) {
            return formatted(_("'%s' is no manifest of this program: it is left as it is"),
                             path.c_str());
        }
        break;
    case file_type::none:
        break;
    default:
        way_ = way::in_place; // a pipe or a device is written, never replaced
        break;
    }
    if (facts.type != file_type::none && !facts.writable) {
        return cannot_write_manifest(path, system_reason(EACCES));
    }
    if (facts.link) {
        way_ = way::in_place; // the link stays; what it leads to gets the document
    }
    if (way_ == way::replaced && name_.empty()) {
        return formatted(_("the manifest '%s' names no file"), path.c_str());
    }
    if (way_ == way::replaced && facts_of(folder_).type != file_type::folder &&
        !made_with(folder_, output)) {
        return cannot_write_manifest(path, system_reason(ENOENT));
    }
    return {};
}

result<void, std::string> manifest_file::check(const disc& source, const output_folder* pictures,
                                               const picture_format& format) {
    if (way_ == way::standard_output) {
        return {};
    }
    if (source.reads(facts_of(path_).identity)) {
        return formatted(_("the manifest '%s' is a file the disc is read from"), path_.c_str());
    }
    if (way_ != way::replaced) {
        return {};
    }
    if (pictures != nullptr &&
        facts_of(folder_).identity.same_as(facts_of(pictures->shown()).identity) &&
        ends_with_ignoring_case(name_, format.extension)) {
        return formatted(_("the manifest '%s' would take the name of a picture"), path_.c_str());
    }
    result<void> held = hold_folder(true);
    if (!held) {
        return cannot_write_manifest(path_, cause_of(held.failure()));
    }
    return {};
}

result<void> manifest_file::hold_folder(bool check_writable) {
    result<std::unique_ptr<output_folder>> opened = output_folder::open(folder_);
    if (!opened) {
        return std::move(opened.failure());
    }
    if (check_writable) {
        if (result<void> writable = opened.value()->check_writable(); !writable) {
            return writable;
        }
    }
    held_ = std::move(opened.value());
    return {};
}

result<void> manifest_file::write(std::string_view text) {
    switch (way_) {
    case way::standard_output:
        return write_out(stdout, text);
    case way::in_place:
        if (result<std::FILE*> file = open_in_place(path_); file) {
            return write_out(*file, text);
        } else {
            return std::move(file.failure());
        }
    case way::replaced:
        break;
    }
    if (held_ == nullptr) {
        // Written without a check: the dialogue's run that never read a disc.
        if (result<void> held = hold_folder(false); !held) {
            return held;
        }
    }
    folder_sink sink(*held_);
    result<committed_file> committed = put_whole(sink, name_, text);
    if (!committed) {
        // A write without the system's reason is told as the other ways tell it.
        error why = std::move(committed.failure());
        if (why.detail == error_detail::write_broke_off) {
            why.detail = error_detail::none;
            why.system_error = EIO;
        }
        return why;
    }
    return {};
}
