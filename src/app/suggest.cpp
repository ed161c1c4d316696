#include "app/suggest.hpp"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t letters_per_edit = 3;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The edits that turn a into b, a swap of two neighbours counting as one.
std::size_t edits_between(std::string_view a, std::string_view b) {
    // Three rows of the table: the one before the last, the last, and the one being filled.
    std::vector<std::size_t> before(b.size() + 1, 0);
    std::vector<std::size_t> last(b.size() + 1, 0);
    std::vector<std::size_t> row(b.size() + 1, 0);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        last[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = lower(a[i - 1]) == lower(b[j - 1]);
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1])) {
                row[j] = std::min(row[j], before[j - 2] + 1);
            }
        }
        std::swap(before, last);
        std::swap(last, row);
    }
    return last[b.size()];
}

} // namespace

std::string closest_word(std::string_view typed, std::span<const std::string_view> candidates) {
    const std::size_t allowed = std::max<std::size_t>(1, typed.size() / letters_per_edit);
    std::string_view closest;
    std::size_t fewest = allowed + 1;
    for (const std::string_view candidate : candidates) {
        // Words that differ in length by more than the edits allowed are never close: a long
        // argument costs nothing.
        const std::size_t apart = typed.size() > candidate.size() ? typed.size() - candidate.size()
                                                                  : candidate.size() - typed.size();
        if (apart >= fewest) {
            continue;
        }
        if (const std::size_t edits = edits_between(typed, candidate); edits < fewest) {
            fewest = edits;
            closest = candidate;
        }
    }
    return std::string(closest);
}
