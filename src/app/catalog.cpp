#include "app/catalog.hpp"

#include "image/binary_fields.hpp"

#include <cstdint>
#include <cstring>

namespace {

// A .mo file: a header of 32-bit words in the byte order of the machine that wrote it, then
// two tables of (length, offset) pairs, the texts sorted and their translations.
constexpr std::uint32_t mo_magic = 0x950412de;
constexpr std::uint32_t mo_magic_swapped = 0xde120495;
constexpr std::size_t magic_at = 0;
constexpr std::size_t count_at = 8;
constexpr std::size_t texts_at = 12;
constexpr std::size_t translations_at = 16;
constexpr std::size_t header_size = 20;
constexpr std::size_t pair_size = 8;
constexpr std::uint32_t major_revision_mask = 0xffff0000;
constexpr std::size_t revision_at = 4;

constexpr char c_locale[] = "C";
constexpr char posix_locale[] = "POSIX";
// The language the program's own texts are in.
constexpr char own_language[] = "ja";

constexpr std::uint32_t word_size = 4;

// The word at a place in the file, in the writer's byte order; 0 past the file's end.
std::uint32_t word_at(std::span<const unsigned char> mo, std::size_t at, bool swapped) {
    // Read little-endian, the magic is mo_magic in a little-endian file, swapped in a
    // big-endian one.
    const byte_order order = swapped ? byte_order::big : byte_order::little;
    std::uint64_t w = 0;
    return read_field(mo, at, {0, word_size}, order, w) ? static_cast<std::uint32_t>(w) : 0;
}

// The string a (length, offset) pair names, NUL-terminated inside the file; null where the
// pair points outside it.
const char* string_at(std::span<const unsigned char> mo, std::size_t pair, bool swapped) {
    if (pair > mo.size() || mo.size() - pair < pair_size) {
        return nullptr;
    }
    const std::uint32_t length = word_at(mo, pair, swapped);
    const std::uint32_t offset = word_at(mo, pair + word_size, swapped);
    if (offset > mo.size() || mo.size() - offset <= length || mo[offset + length] != 0) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(mo.data() + offset);
}

void add_language(std::vector<std::string>& languages, const std::string& locale) {
    // "en_US.UTF-8@euro": the codeset and the modifier name no language of their own.
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty()) {
        return;
    }
    languages.push_back(name);
    if (const std::size_t territory = name.find('_'); territory != std::string::npos) {
        languages.push_back(name.substr(0, territory));
    }
}

bool is_set(const char* variable) {
    return variable != nullptr && *variable != '\0';
}

} // namespace

std::vector<std::string> message_languages(const message_variables& set,
                                           const std::string& system_language) {
    std::string locale = system_language;
    for (const char* variable : {set.lc_all, set.lc_messages, set.lang}) {
        if (is_set(variable)) {
            locale = variable;
            break;
        }
    }
    std::vector<std::string> languages;
    // As gettext: the C locale's messages are the program's own, whatever LANGUAGE says.
    if (locale.empty() || locale == c_locale || locale == posix_locale) {
        return languages;
    }
    if (is_set(set.language)) {
        const std::string list = set.language;
        for (std::size_t start = 0; start <= list.size();) {
            std::size_t end = list.find(':', start);
            end = end == std::string::npos ? list.size() : end;
            add_language(languages, list.substr(start, end - start));
            start = end + 1;
        }
    }
    add_language(languages, locale);
    return languages;
}

std::string language_spoken(const std::vector<std::string>& languages,
                            const std::function<bool(const std::string&)>& has_catalog) {
    for (const std::string& language : languages) {
        if (language == own_language) {
            return {};
        }
        if (has_catalog(language)) {
            return language;
        }
    }
    return {};
}

const embedded_catalog* catalog_for(const std::vector<std::string>& languages,
                                    std::span<const embedded_catalog> catalogs) {
    const auto built_in = [&](const std::string& language) -> const embedded_catalog* {
        for (const embedded_catalog& catalog : catalogs) {
            if (language == catalog.language) {
                return &catalog;
            }
        }
        return nullptr;
    };
    const std::string spoken =
        language_spoken(languages, [&](const std::string& l) { return built_in(l) != nullptr; });
    return spoken.empty() ? nullptr : built_in(spoken);
}

const char* look_up(std::span<const unsigned char> mo, const char* text) {
    if (mo.size() < header_size) {
        return nullptr;
    }
    const std::uint32_t magic = word_at(mo, magic_at, false);
    if (magic != mo_magic && magic != mo_magic_swapped) {
        return nullptr;
    }
    const bool swapped = magic == mo_magic_swapped;
    if ((word_at(mo, revision_at, swapped) & major_revision_mask) != 0) {
        return nullptr;
    }
    const std::uint32_t count = word_at(mo, count_at, swapped);
    const std::size_t texts = word_at(mo, texts_at, swapped);
    const std::size_t translations = word_at(mo, translations_at, swapped);
    // Both tables whole inside the file, so that no pair's place wraps round.
    for (const std::size_t table : {texts, translations}) {
        if (table > mo.size() || count > (mo.size() - table) / pair_size) {
            return nullptr;
        }
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* original = string_at(mo, texts + std::size_t{i} * pair_size, swapped);
        if (original == nullptr) {
            return nullptr;
        }
        if (std::strcmp(original, text) == 0) {
            const char* translation =
                string_at(mo, translations + std::size_t{i} * pair_size, swapped);
            return translation != nullptr && *translation != '\0' ? translation : nullptr;
        }
    }
    return nullptr;
}
