// The messages through the C library's gettext.
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
    return dgettext(text_domain, text);
}

void translate_into(console_encoding chosen) {
    bind_textdomain_codeset(text_domain, chosen == console_encoding::utf8 ? "UTF-8" : "SHIFT_JIS");
}
