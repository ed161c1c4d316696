#include "app/gallery.hpp"

#include "app/l10n.hpp"
#include "app/shown.hpp"

#include "app/describe.hpp"
#include "app/version.hpp"
#include "core/ascii.hpp"
#include "encode/formats.hpp"
#include "extract/groups.hpp"
#include "platform/file_facts.hpp"
#include "platform/output_folder.hpp"

#include <cstdint>
#include <cstdio>
#include <span>

namespace {

// How every page begins, up to the mark that tells a page of this program.
constexpr std::string_view page_opening = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                                          "<meta charset=\"utf-8\">\n"
                                          "<meta name=\"generator\" content=\"quillmoor\">\n";

// Pictures are small: each at its own size and at twice it, the pixels kept square.
constexpr char page_style[] =
    "<style>\n"
    "body{font-family:sans-serif;margin:1em 2em;background:#fafafa;color:#111}\n"
    "dl{display:grid;grid-template-columns:max-content auto;gap:.2em 1em}\n"
    "dt{font-weight:bold}dd{margin:0}\n"
    "section{border-top:1px solid #bbb;margin-top:1.5em}\n"
    ".pictures{display:flex;flex-wrap:wrap;gap:1em;align-items:flex-end}\n"
    "figure{margin:0;padding:.5em;background:#fff;border:1px solid #ddd}\n"
    "figure img{display:inline-block;vertical-align:bottom;margin-right:.5em;"
    "image-rendering:pixelated;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) "
    "0 0/16px 16px}\n"
    "figcaption{font-size:.85em;margin-top:.3em}\n"
    ".failure{padding:.5em;border:2px solid #b00;background:#fee;max-width:60em}\n"
    ".failure p{margin:.2em 0}\n"
    "</style>\n";

constexpr char replacement_character[] = "\xEF\xBF\xBD";

// Text as the page shows it: markup's characters escaped; bytes that are no UTF-8 and
// control characters, which names from a disc may hold, replaced (U+FFFD).
std::string html_text(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const char c = text.front();
        char32_t code = 0;
        const std::size_t length =
            static_cast<std::uint8_t>(c) < 0x80 ? 1 : utf8_sequence(text, code);
        if (length == 0 || (length == 1 && (static_cast<std::uint8_t>(c) < 0x20 || c == 0x7F))) {
            out += replacement_character;
            text.remove_prefix(1);
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.append(text.substr(0, length));
            break;
        }
        text.remove_prefix(length);
    }
    return out;
}

// A file's name as a link in the page: every byte but the unreserved ones percent-encoded, so
// that the link names the file's own bytes and nothing in it reads as markup or a path.
std::string url_of(std::string_view name) {
    constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto b = static_cast<std::uint8_t>(c);
        if (is_ascii_letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
            c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
    }
    return out;
}

void add_picture(std::string& page, const gallery_events::shown_picture& shown) {
    const picture_record& r = shown.record;
    const std::string url = url_of(r.file);
    const std::string name = html_text(r.name);
    const auto image = [&](const char* extra, std::uint32_t scale) {
        return "<a href=\"" + url + "\"><img" + extra + " src=\"" + url + "\" width=\"" +
               std::to_string(r.width * scale) + "\" height=\"" + std::to_string(r.height * scale) +
               "\" alt=\"" + name +
               (scale == 1 ? std::string() : " at " + std::to_string(scale) + "x") + "\"></a>";
    };
    page += "<figure>\n" + image("", 1) + "\n" + image(" class=\"twice\"", 2) +
            "\n<figcaption><a href=\"" + url + "\">" + html_text(r.file) + "</a><br>" +
            std::to_string(r.width) + " x " + std::to_string(r.height) + ", " +
            std::to_string(r.bits) + " bits" +
            (shown.fate == picture_fate::kept ? ", kept from before" : "") +
            "</figcaption>\n</figure>\n";
}

void add_failure(std::string& page, const failure_record& f) {
    page += "<div class=\"failure\">\n<p>" + html_text(describe(f)) + "</p>\n";
    if (!f.pictures.empty()) {
        page += "<p>not made: " + html_text(names_joined(f.pictures)) + "</p>\n";
    }
    page += "</div>\n";
}

// Whether an event belongs in the section of group; null, in the last one.
bool in_section(const char* of, const char* group) {
    return group == nullptr ? of == nullptr : of != nullptr && std::string_view(of) == group;
}

// A group's section: its pictures and failures in the order they came, then its failure
// as a whole. Null: the failures of no group, a section only when there are any.
void add_section(std::string& page, const char* group, const gallery_events& events,
                 const run_counts& counts) {
    std::string body;
    std::size_t next_failure = 0;
    const auto failures_until = [&](std::size_t pictures) {
        for (; next_failure < events.failures.size() &&
               events.failures[next_failure].after <= pictures;
             ++next_failure) {
            const failure_record& f = events.failures[next_failure].record;
            if (in_section(f.group, group)) {
                add_failure(body, f);
            }
        }
    };
    for (std::size_t i = 0; i < events.pictures.size(); ++i) {
        const gallery_events::shown_picture& shown = events.pictures[i];
        failures_until(i);
        if (in_section(shown.record.group, group) && shown.fate != picture_fate::duplicate &&
            shown.fate != picture_fate::listed) {
            add_picture(body, shown);
        }
    }
    failures_until(events.pictures.size());
    for (const run_counts::failed_group& g : counts.groups_failed) {
        if (in_section(g.group, group)) {
            body += "<div class=\"failure\">\n<p>" + html_text(run_counts::group_line(g)) +
                    "</p>\n</div>\n";
        }
    }
    if (group == nullptr && body.empty()) {
        return;
    }
    const std::string title = group != nullptr ? group : "other failures";
    page += "<section id=\"" + url_of(title) + "\">\n<h2>" + html_text(title) +
            "</h2>\n<div class=\"pictures\">\n" +
            (body.empty() ? std::string("<p>No pictures.</p>\n") : body) + "</div>\n</section>\n";
}

} // namespace

std::string gallery_page(const gallery_head& head, const gallery_events& events,
                         const run_counts& counts) {
    const std::string source = html_text(head.source);
    std::string page(page_opening);
    page += "<title>Pictures of " + source + "</title>\n";
    page += page_style;
    page += "</head>\n<body>\n<h1>Pictures of " + source + "</h1>\n<dl>\n";
    page += "<dt>Source</dt><dd>" + source +
            (head.source_path.empty() || head.source_path == head.source
                 ? std::string()
                 : " (" + html_text(head.source_path) + ")") +
            "</dd>\n";
    page += "<dt>Date</dt><dd><time datetime=\"" + html_text(head.date) + "\">" +
            html_text(head.date) + "</time></dd>\n";
    page += std::string("<dt>Program</dt><dd>") + program_name + " " + program_version + "</dd>\n";
    page += "<dt>Format</dt><dd>" + html_text(head.format) + "</dd>\n";
    page += "<dt>Pictures</dt><dd>" + std::to_string(counts.written) + " written, " +
            std::to_string(counts.skipped) + " skipped, " + std::to_string(counts.failed) +
            " failed</dd>\n</dl>\n";
    for (const char* group : picture_group_names()) {
        add_section(page, group, events, counts);
    }
    add_section(page, nullptr, events, counts);
    page += "</body>\n</html>\n";
    return page;
}

std::string iso8601_utc(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const sys_seconds seconds = floor<std::chrono::seconds>(when);
    const sys_days day = floor<days>(seconds);
    const year_month_day date(day);
    const hh_mm_ss<std::chrono::seconds> time(seconds - day);
    // Months, days, hours, minutes and seconds: two digits each.
    const auto two = [](long long v) {
        return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
    };
    return std::to_string(static_cast<int>(date.year())) + "-" +
           two(static_cast<unsigned>(date.month())) + "-" + two(static_cast<unsigned>(date.day())) +
           "T" + two(time.hours().count()) + ":" + two(time.minutes().count()) + ":" +
           two(time.seconds().count()) + "Z";
}

bool is_gallery_text(std::string_view beginning) {
    return beginning.empty() || beginning.starts_with(page_opening);
}

std::string gallery_name_refused(const std::string& name) {
    if (name.empty()) {
        return _("the gallery file is empty");
    }
    if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..") {
        return formatted(
            _("the gallery '%s' is no plain file name: it goes into the output folder"),
            escaped(name).c_str());
    }
    for (const picture_format& f : picture_formats()) {
        const std::string extension = lower_case(f.extension);
        if (lower_case(name).ends_with(extension)) {
            return formatted(_("the gallery '%s' would take the name of a picture"),
                             escaped(name).c_str());
        }
    }
    return {};
}

std::string gallery_place_refused(const std::string& name, const output_folder& folder,
                                  const std::string& manifest) {
    const std::string path = folder.shown_path(name);
    // The name is the user's: shown escaped, so that the line stays one.
    const std::string shown = escaped(path);
    const file_facts facts = facts_of(path);
    if (!manifest.empty() && manifest != "-") {
        // One file by two paths, or one name in one folder before either is there.
        const std::size_t slash = manifest.find_last_of(path_separators());
        const std::string manifest_folder =
            slash == std::string::npos ? "." : manifest.substr(0, slash + 1);
        const std::string manifest_name =
            slash == std::string::npos ? manifest : manifest.substr(slash + 1);
        if (facts_of(manifest).identity.same_as(facts.identity) ||
            (lower_case(manifest_name) == lower_case(name) &&
             facts_of(manifest_folder).identity.same_as(facts_of(folder.shown()).identity))) {
            return formatted(_("the gallery '%s' would take the manifest's place"), shown.c_str());
        }
    }
    if (facts.error != 0) {
        return formatted(_("cannot write the gallery '%s': %s"), shown.c_str(),
                         system_reason(facts.error).c_str());
    }
    if (facts.type == file_type::none) {
        return {};
    }
    bool page = false;
    if (facts.type == file_type::regular) {
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            std::string head(page_opening.size(), '\0');
            head.resize(std::fread(head.data(), 1, head.size(), file));
            page = std::ferror(file) == 0 && is_gallery_text(head);
            std::fclose(file);
        }
    }
    return page ? std::string()
                : formatted(_("'%s' is no gallery of this program: it is left as it is"),
                            shown.c_str());
}

void gallery_listener::picture(const picture_record& record, picture_fate fate) {
    events_.pictures.push_back({record, fate});
}

void gallery_listener::failure(const failure_record& record) {
    events_.failures.push_back({record, events_.pictures.size()});
}
