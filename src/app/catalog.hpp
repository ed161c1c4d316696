// The catalogs built into a program that has no gettext (Windows): msgfmt's .mo files kept
// as constant bytes, the one for the reader's language chosen as gettext chooses it.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

struct embedded_catalog {
    const char* language; // as the .po file is named: "en", "pt_BR"
    std::span<const unsigned char> mo;
};

// The catalogs of this build (catalogs.cpp, generated from po/).
std::span<const embedded_catalog> embedded_catalogs();

// The variables gettext reads, each null when unset.
struct message_variables {
    const char* language;
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
};

// The languages to look for a catalog in, best first: LANGUAGE's list, then the locale that
// LC_ALL, LC_MESSAGES or LANG names (the first set), else the system's; each as named
// ("en_US") and by its language alone ("en"). None where the locale is C or POSIX.
std::vector<std::string> message_languages(const message_variables& set,
                                           const std::string& system_language);

// The first language of the list that a catalog is at hand for (has_catalog says); empty
// where none is, or where the program's own language, Japanese, comes first ("ja:en" keeps
// the program's texts).
std::string language_spoken(const std::vector<std::string>& languages,
                            const std::function<bool(const std::string&)>& has_catalog);

// The catalog of the language spoken, among those built in; null when there is none.
const embedded_catalog* catalog_for(const std::vector<std::string>& languages,
                                    std::span<const embedded_catalog> catalogs);

// text's translation in a .mo file's bytes; null where it has none.
const char* look_up(std::span<const unsigned char> mo, const char* text);
