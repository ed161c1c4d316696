// The messages through the C library's gettext.
#include "app/catalog.hpp"
#include "app/l10n.hpp"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <libintl.h>

namespace {

// The catalogs' folder: where TEXTDOMAINDIR says (the build tree's, for its tests), else the
// installed one, found from where the program is, so that /usr and /usr/local both hold it.
std::string catalogs_folder() {
    if (const char* named = std::getenv("TEXTDOMAINDIR"); named != nullptr && *named != '\0') {
        return named;
    }
    std::error_code unknown;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", unknown);
    if (unknown) {
        return QUILLMOOR_LOCALEDIR;
    }
    return (program.parent_path() / QUILLMOOR_LOCALEDIR_FROM_PROGRAM).lexically_normal();
}

// Whether the folder holds the catalog of a language, as the package installs it.
bool has_catalog_file(const std::string& folder, const std::string& language) {
    std::error_code unknown;
    const std::string file = std::string(text_domain) + ".mo";
    return std::filesystem::exists(std::filesystem::path(folder) / language / "LC_MESSAGES" / file,
                                   unknown);
}

// Whether gettext is asked at all: not where the program's own language comes first, which
// gettext, knowing no catalog of it, would pass by for the next ("ja:en"). Decided once, on
// first use: the locale and the environment are set before anything is printed.
bool catalogs_asked() {
    static const bool asked = [] {
        const std::string folder = catalogs_folder();
        const char* locale = std::setlocale(LC_MESSAGES, nullptr);
        const std::vector<std::string> languages = message_languages(
            {std::getenv("LANGUAGE"), nullptr, nullptr, nullptr}, locale != nullptr ? locale : "");
        return !language_spoken(languages, [&](const std::string& language) {
                    return has_catalog_file(folder, language);
                }).empty();
    }();
    return asked;
}

} // namespace

void choose_message_language() {
    // gettext reads the locale and the catalogs' folder from the C library's process-wide
    // state, which only these calls set: here, once, before anything is printed. Numbers and
    // the rest stay in the C locale.
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
