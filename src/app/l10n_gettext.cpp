// The messages through the C library's gettext.
#include "app/catalog.hpp"
#include "app/l10n.hpp"

#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <string>
#include <unistd.h>

namespace {

// The catalogs' folder: where TEXTDOMAINDIR says (the build tree's, for its tests), else the
// installed one, found from where the program is, so that /usr and /usr/local both hold it.
// Plain system calls: a run that reads no catalog pays for no more of the C++ library.
std::string catalogs_folder() {
    if (const char* named = std::getenv("TEXTDOMAINDIR"); named != nullptr && *named != '\0') {
        return named;
    }
    char program[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof program) {
        return QUILLMOOR_LOCALEDIR;
    }
    const std::string path(program, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + QUILLMOOR_LOCALEDIR_FROM_PROGRAM;
}

// Whether the folder holds the catalog of a language, as the package installs it.
bool has_catalog_file(const std::string& folder, const std::string& language) {
    const std::string file =
        folder + "/" + language + "/LC_MESSAGES/" + std::string(text_domain) + ".mo";
    return access(file.c_str(), R_OK) == 0;
}

// Whether gettext is asked at all: not where the locale is the program's own (C, POSIX,
// C.UTF-8, Japanese), nor where its own language comes first, which gettext, knowing no
// catalog of it, would pass by for the next ("ja:en"). Read from the variables gettext reads,
// before the C library loads any locale: a run in the program's own texts loads none. Decided
// once, on first use: the environment is set before anything is printed.
bool catalogs_asked() {
    static const bool asked = [] {
        const std::vector<std::string> languages =
            message_languages({std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                               std::getenv("LC_MESSAGES"), std::getenv("LANG")},
                              "");
        if (languages.empty()) {
            return false;
        }
        const std::string folder = catalogs_folder();
        return !language_spoken(languages, [&](const std::string& language) {
                    return has_catalog_file(folder, language);
                }).empty();
    }();
    return asked;
}

} // namespace

void choose_message_language() {
    if (!catalogs_asked()) {
        return;
    }
    // gettext reads the locale and the catalogs' folder from the C library's process-wide
    // state, which only these calls set: here, once, before anything is printed. Numbers and
    // the rest stay in the C locale; the character set is the one gettext converts into.
    std::setlocale(LC_MESSAGES, "");
    std::setlocale(LC_CTYPE, "");
    bindtextdomain(text_domain, catalogs_folder().c_str());
}

const char* translated(const char* text) {
    return catalogs_asked() ? dgettext(text_domain, text) : text;
}

void translate_into(console_encoding chosen) {
    bind_textdomain_codeset(text_domain, chosen == console_encoding::utf8 ? "UTF-8" : "SHIFT_JIS");
}
