#include "app/options.hpp"

#include "platform/disc_names.hpp"

#include <string_view>

const char usage_text[] =
    "Usage: quillmoor [OPTION]... [SOURCE]\n"
    "Takes the still pictures off a Sega Saturn game disc and writes each one as a picture\n"
    "file: face portraits, opening and event screens, ending screens, title pictures,\n"
    "sprite sheets and cell-map pictures.\n"
    "\n"
    "SOURCE is a drive letter (q, q: or q:\\), a folder that holds the disc's files, or a\n"
    "disc image (.iso, a raw .bin or a .cue sheet). Without SOURCE the program asks for\n"
    "the letter of the drive that holds the disc.\n"
    "\n"
    "  -o, --output=DIR       write the pictures into DIR, made if missing (default: the\n"
    "                         current folder)\n"
    "  -f, --format=FORMAT    bmp (the default) or png\n"
    "  -q, --quiet            no \"done\" line for each picture; errors are still shown\n"
    "      --encoding=ENC     write the Japanese messages in utf-8 or shift-jis (default:\n"
    "                         utf-8 on a UTF-8 terminal, shift-jis otherwise)\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and what this build can read and write\n"
    "\n"
    "Messages name a file by its path in SOURCE: q:\\TITLE.SEQ on a drive, disc/TITLE.SEQ\n"
    "in a folder, game.cue:TITLE.SEQ in an image.\n"
    "Exit status: 0 when every group of pictures could run, 255 when a group failed as a\n"
    "whole, 2 when the command line is wrong.\n";

namespace {

bool named(std::string_view value, const char* name) {
    return same_ignoring_case(std::string(value).c_str(), name);
}

bool encoding_named(std::string_view name, options& out) {
    for (const char* utf8 : {"utf-8", "utf8"}) {
        if (named(name, utf8)) {
            out.encoding = console_encoding::utf8;
            return true;
        }
    }
    for (const char* sjis : {"shift-jis", "shift_jis", "sjis", "cp932"}) {
        if (named(name, sjis)) {
            out.encoding = console_encoding::shift_jis;
            return true;
        }
    }
    return false;
}

bool format_named(std::string_view name, options& out) {
    if (named(name, "bmp")) {
        out.format = picture_format::bmp;
    } else if (named(name, "png")) {
        out.format = picture_format::png;
    } else {
        return false;
    }
    return true;
}

// An option that takes a value: what to do with it, and what is wrong when it does not fit.
bool take_value(char option, std::string_view value, options& out, std::string& error) {
    switch (option) {
    case 'o':
        if (value.empty()) {
            error = "the output folder is empty";
            return false;
        }
        out.output = value;
        return true;
    case 'f':
        if (!format_named(value, out)) {
            error = "unknown picture format '" + std::string(value) + "' (bmp or png)";
            return false;
        }
        return true;
    default: // 'e', the encoding
        if (!encoding_named(value, out)) {
            error = "unknown encoding '" + std::string(value) + "' (utf-8 or shift-jis)";
            return false;
        }
        return true;
    }
}

struct long_option {
    const char* name;
    char letter; // the short form, or the key of an option that has none
    bool takes_value;
};

constexpr long_option long_options[] = {
    {"output", 'o', true}, {"format", 'f', true}, {"encoding", 'e', true},
    {"quiet", 'q', false}, {"help", 'h', false},  {"version", 'V', false},
};

bool set_flag(char letter, options& out) {
    switch (letter) {
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

bool takes_value(char letter) {
    return letter == 'o' || letter == 'f';
}

} // namespace

bool parse_options(int argc, const char* const* argv, options& out, std::string& error) {
    bool sources_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!sources_only && arg == "--") {
            sources_only = true;
        } else if (!sources_only && arg.starts_with("--")) {
            const std::size_t equals = arg.find('=');
            const std::string_view name = arg.substr(2, equals == arg.npos ? arg.npos : equals - 2);
            const long_option* found = nullptr;
            for (const long_option& o : long_options) {
                if (name == o.name) {
                    found = &o;
                }
            }
            if (found == nullptr) {
                error = "unknown option '" + std::string(arg) + "'";
                return false;
            }
            if (!found->takes_value) {
                if (equals != arg.npos) {
                    error = "option '--" + std::string(name) + "' takes no value";
                    return false;
                }
                set_flag(found->letter, out);
                continue;
            }
            std::string_view value;
            if (equals != arg.npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = "option '--" + std::string(name) + "' needs a value";
                return false;
            }
            if (!take_value(found->letter, value, out, error)) {
                return false;
            }
        } else if (!sources_only && arg.size() > 1 && arg[0] == '-') {
            // Short options, several in one argument; a value follows its letter or comes next.
            for (std::size_t k = 1; k < arg.size(); ++k) {
                const char letter = arg[k];
                if (takes_value(letter)) {
                    std::string_view value = arg.substr(k + 1);
                    if (value.empty()) {
                        if (i + 1 >= argc) {
                            error = std::string("option '-") + letter + "' needs a value";
                            return false;
                        }
                        value = argv[++i];
                    }
                    if (!take_value(letter, value, out, error)) {
                        return false;
                    }
                    break;
                }
                if (!set_flag(letter, out)) {
                    error = std::string("unknown option '-") + letter + "'";
                    return false;
                }
            }
        } else if (out.source.empty()) {
            if (arg.empty()) {
                error = "the source is empty";
                return false;
            }
            out.source = arg;
        } else {
            error = "one source at a time: '" + out.source + "' and '" + std::string(arg) + "'";
            return false;
        }
    }
    return true;
}
