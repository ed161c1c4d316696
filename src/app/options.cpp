#include "app/options.hpp"

#include "app/gallery.hpp"
#include "app/l10n.hpp"
#include "app/manifest.hpp"
#include "app/shown.hpp"
#include "app/suggest.hpp"

#include "core/ascii.hpp"
#include "encode/formats.hpp"
#include "extract/groups.hpp"
#include "image/image_formats.hpp"

#include <array>
#include <getopt.h>
#include <span>
#include <string_view>

namespace {

// The help's parts around what a build may leave out.
constexpr char usage_head[] =
    N_("Usage: quillmoor [OPTION]... [SOURCE]\n"
       "Takes the still pictures off a Sega Saturn game disc and writes each one as a\n"
       "picture file: face portraits, opening and event screens, ending screens, title\n"
       "pictures, sprite sheets and cell-map pictures.\n"
       "\n");
// Around the images' names, as image/image_formats.cpp has them, filled to the width.
constexpr char usage_source[] =
    N_("SOURCE is a drive letter (q, q: or q:\\), a folder holding the disc's files, a disc "
       "image (");
constexpr char usage_source_end[] = N_(") or, on Linux, a drive's device.");
constexpr char usage_after_images[] =
    N_("Without SOURCE the program asks for the letter of the drive with the disc.\n"
       "\n"
       "  -o, --output=DIR      write the pictures into DIR, made if missing\n"
       "                        (default: the current folder)\n");
constexpr char usage_middle[] =
    N_("  -l, --list            read and decode everything, write nothing: list the\n"
       "                        pictures that would be written (with -n, those whose\n"
       "                        file is not there yet)\n"
       "      --only=PATTERN[,PATTERN]...\n"
       "                        only the pictures whose name matches (F0*, EV_*) or\n");
constexpr char usage_after_groups[] =
    N_("  -n, --no-clobber      leave a picture whose file is already there alone\n");
constexpr char usage_manifest[] =
    N_("      --manifest=FILE   write a JSON document of the run into FILE (-: onto\n"
       "                        standard output, which then carries nothing else)\n");
constexpr char usage_gallery[] =
    N_("      --gallery[=FILE]  write an HTML page of the pictures into FILE in the\n"
       "                        output folder (default: index.html)\n");
constexpr char usage_tail[] =
    N_("  -q, --quiet           no \"done\" line for each picture and no summary;\n"
       "                        failures are still shown\n"
       "      --encoding=ENC    write the Japanese messages in utf-8 or shift-jis\n"
       "                        (default: as the locale writes text)\n"
       "  -h, --help            show this help and exit\n"
       "  -V, --version         show the version and what this build reads and writes\n"
       "\n"
       "With SOURCE, standard output carries the \"done\" lines (or the list) alone;\n"
       "failures and the summary go to standard error. Messages name a file by its\n"
       "path in SOURCE: q:\\TITLE.SEQ on a drive, disc/TITLE.SEQ in a folder,\n"
       "game.cue:TITLE.SEQ in an image.\n"
       "Exit status: 0 when every group of pictures could run, 255 when a group failed\n"
       "as a whole, 2 when the command line is wrong or SOURCE is no disc, 1 when\n"
       "standard output or the manifest did not receive all that was written.\n"
       "Full documentation: man quillmoor (quillmoor(1)).\n");

// The formats this build writes, as --format takes them.
std::string ready_formats() {
    std::string names;
    for (const picture_format& f : picture_formats()) {
        if (f.ready()) {
            names += names.empty() ? formatted(_("%s (the default)"), f.name)
                                   : " or " + std::string(f.name);
        }
    }
    return names;
}

// The groups --only takes, from the table, in lines of the help's width under its column.
// The words of text in lines of at most help_width characters, each set in by indent
// spaces: the lists the tables give fill the help as typed text would.
std::string filled(const std::string& text, std::size_t indent) {
    constexpr std::size_t help_width = 79;
    std::string lines;
    std::string line(indent, ' ');
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string_view word(text.data() + start, end - start);
        if (line.size() > indent && line.size() + 1 + word.size() > help_width) {
            lines += line + "\n";
            line.assign(indent, ' ');
        }
        if (line.size() > indent) {
            line += ' ';
        }
        line.append(word);
        start = end + 1;
    }
    return lines + line + "\n";
}

// The groups --only takes, as the table names them.
std::string group_lines() {
    constexpr std::size_t column = 24;
    std::string text = _("whose group is named:");
    const std::span<const char* const> names = picture_group_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += ' ';
        text += names[i];
        if (i + 1 < names.size()) {
            text += ',';
        }
    }
    return filled(text, column);
}

} // namespace

std::string usage_text() {
    return _(usage_head) +
           filled(_(usage_source) + image_formats_in_help() + _(usage_source_end), 0) +
           _(usage_after_images) + "  -f, --format=FORMAT   " + ready_formats() + "\n" +
           _(usage_middle) + group_lines() + _(usage_after_groups) +
           (manifest_built ? _(usage_manifest) : "") + _(usage_gallery) + _(usage_tail);
}

namespace {

// Keys of the options that have no short form.
enum : int {
    key_encoding = 256,
    key_only,
    key_manifest,
    key_gallery,
};

constexpr option long_options[] = {
    {"output", required_argument, nullptr, 'o'},
    {"format", required_argument, nullptr, 'f'},
    {"list", no_argument, nullptr, 'l'},
    {"only", required_argument, nullptr, key_only},
    {"no-clobber", no_argument, nullptr, 'n'},
    {"manifest", required_argument, nullptr, key_manifest},
    {"gallery", optional_argument, nullptr, key_gallery},
    {"quiet", no_argument, nullptr, 'q'},
    {"encoding", required_argument, nullptr, key_encoding},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
// The long options' names, for the words that refuse one.
constexpr auto long_option_names = [] {
    std::array<std::string_view, std::size(long_options) - 1> names{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = long_options[i].name;
    }
    return names;
}();
// The leading colon: a missing value is told apart from an unknown option.
constexpr char short_options[] = ":o:f:lnqhV";

bool encoding_named(const char* name, options& out) {
    for (const char* utf8 : {"utf-8", "utf8"}) {
        if (same_ignoring_case(name, utf8)) {
            out.encoding = console_encoding::utf8;
            return true;
        }
    }
    for (const char* sjis : {"shift-jis", "shift_jis", "sjis", "cp932"}) {
        if (same_ignoring_case(name, sjis)) {
            out.encoding = console_encoding::shift_jis;
            return true;
        }
    }
    return false;
}

std::string format_names() {
    std::string names;
    for (const picture_format& f : picture_formats()) {
        names += (names.empty() ? "" : " or ") + std::string(f.name);
    }
    return names;
}

// Patterns separated by commas; empty ones are passed over.
void add_patterns(std::string_view list, std::vector<std::string>& patterns) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view one = list.substr(0, comma);
        if (!one.empty()) {
            patterns.emplace_back(one);
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
}

// --gallery, and its FILE when given: a plain name in the output folder.
result<void, std::string> take_gallery(const char* value, options& out) {
    out.gallery = value != nullptr ? value : default_gallery_name;
    const std::string refused = gallery_name_refused(out.gallery);
    if (!refused.empty()) {
        return refused;
    }
    return {};
}

// An option that takes a value: what to do with it, and what is wrong when it does not fit.
result<void, std::string> take_value(int key, const char* value, options& out) {
    switch (key) {
    case 'o':
        if (*value == '\0') {
            return std::string(_("the output folder is empty"));
        }
        out.output = value;
        return {};
    case 'f':
        out.format = find_picture_format(value);
        if (out.format == nullptr) {
            return formatted(_("unknown picture format '%s' (%s)"), escaped(value).c_str(),
                             format_names().c_str());
        }
        return {};
    case key_only: {
        const std::size_t before = out.only.size();
        add_patterns(value, out.only);
        if (out.only.size() == before) {
            return std::string(_("--only names no picture"));
        }
        return {};
    }
    case key_manifest:
        if (*value == '\0') {
            return std::string(_("the manifest file is empty"));
        }
        out.manifest = value;
        return {};
    case key_gallery:
        return take_gallery(value, out);
    default: // key_encoding
        if (!encoding_named(value, out)) {
            return formatted(_("unknown encoding '%s' (utf-8 or shift-jis)"),
                             escaped(value).c_str());
        }
        return {};
    }
}

// The long option an argument names, as written ("--out" of "--out=x").
std::string_view long_name(std::string_view arg) {
    return arg.substr(2, arg.find('=') - 2);
}

bool set_flag(int key, options& out) {
    switch (key) {
    case 'l':
        out.list = true;
        return true;
    case 'n':
        out.no_clobber = true;
        return true;
    case 'q':
        out.quiet = true;
        return true;
    case 'h':
        out.help = true;
        return true;
    case 'V':
        out.version = true;
        return true;
    default:
        return false;
    }
}

bool known_key(int key) {
    for (const option* o = long_options; o->name != nullptr; ++o) {
        if (o->val == key) {
            return true;
        }
    }
    return false;
}

// What getopt_long turned down, in words. The argument it stopped at is the one before
// optind; a letter it does not know may stand inside a bundle, and is told by itself.
std::string refusal(int got, int culprit, std::string_view arg) {
    std::string letter = "-";
    letter += escaped(std::string(1, static_cast<char>(culprit)));
    if ((got == '?' && culprit != 0 && !known_key(culprit)) || !arg.starts_with("--")) {
        return formatted(got == ':' ? _("option '%s' needs a value") : _("unknown option '%s'"),
                         letter.c_str());
    }
    const std::string_view name = long_name(arg);
    const bool has_value = arg.find('=') != std::string_view::npos;
    std::vector<std::string_view> matches;
    for (const std::string_view o : long_option_names) {
        if (o.starts_with(name)) {
            matches.push_back(o);
        }
    }
    std::string shown = "--";
    shown += escaped(name);
    if (matches.size() > 1) {
        std::string meant;
        for (std::size_t i = 0; i < matches.size(); ++i) {
            meant += (i == 0                   ? "'--"
                      : i + 1 < matches.size() ? ", '--"
                                               : " or '--") +
                     std::string(matches[i]) + "'";
        }
        return formatted(_("option '%s' is ambiguous: %s"), shown.c_str(), meant.c_str());
    }
    if (matches.empty()) {
        const std::string meant = closest_word(name, long_option_names);
        return meant.empty() ? formatted(_("unknown option '%s'"), shown.c_str())
                             : formatted(_("unknown option '%s'; did you mean '--%s'?"),
                                         shown.c_str(), meant.c_str());
    }
    return formatted(has_value ? _("option '%s' takes no value") : _("option '%s' needs a value"),
                     shown.c_str());
}

} // namespace

result<options, std::string> parse_options(int argc, const char* const* argv) {
    options out;
    // getopt_long reorders the pointers, never the strings: it works on a copy of them.
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(const_cast<char*>(argv[i]));
    }
    args.push_back(nullptr);
    opterr = 0;
    optind = 0; // a parse of its own, from the start
    for (;;) {
        const int key = getopt_long(argc, args.data(), short_options, long_options, nullptr);
        if (key == -1) {
            break;
        }
        if (key == '?' || key == ':') {
            const int at = optind > 0 && optind <= argc ? optind - 1 : 0;
            return refusal(key, optopt, args[static_cast<std::size_t>(at)]);
        }
        if (set_flag(key, out)) {
            continue;
        }
        if (result<void, std::string> taken = take_value(key, optarg, out); !taken) {
            return std::move(taken.failure());
        }
    }
    for (int i = optind; i < argc; ++i) {
        const std::string arg = args[static_cast<std::size_t>(i)];
        if (arg.empty()) {
            return std::string(_("the source is empty"));
        }
        if (!out.source.empty()) {
            return formatted(_("one source at a time: '%s' and '%s'"), escaped(out.source).c_str(),
                             escaped(arg).c_str());
        }
        out.source = arg;
    }
    return out;
}
