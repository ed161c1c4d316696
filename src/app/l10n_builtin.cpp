// The messages through the catalogs built into the program, where there is no gettext.
#include "app/catalog.hpp"
#include "app/l10n.hpp"

#include <cstdlib>

namespace {

// The reader's catalog, chosen on first use from the environment and the system's language,
// which do not change while the program runs; null where there is none.
const embedded_catalog* chosen_catalog() {
    static const embedded_catalog* const chosen =
        catalog_for(message_languages({std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                                       std::getenv("LC_MESSAGES"), std::getenv("LANG")},
                                      user_interface_language()),
                    embedded_catalogs());
    return chosen;
}

} // namespace

void choose_message_language() {
    chosen_catalog();
}

const char* translated(const char* text) {
    const embedded_catalog* catalog = chosen_catalog();
    const char* found = catalog != nullptr ? look_up(catalog->mo, text) : nullptr;
    return found != nullptr ? found : text;
}

void translate_into(console_encoding) {
    // The catalogs are UTF-8; the console writes them as it writes the program's own texts.
}
