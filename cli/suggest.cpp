#include "suggest.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace proctex::cli {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool beginsWith(std::string_view text, std::string_view start) {
    if (start.empty() || start.size() > text.size()) return false;
    return std::equal(start.begin(), start.end(), text.begin(),
                      [](char a, char b) { return lower(a) == lower(b); });
}

}  // namespace

std::size_t editDistance(std::string_view a, std::string_view b) {
    // Optimal string alignment: three rows of the dynamic programme.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1])) {
                row[j] = std::min(row[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(row);
    }
    return previous[b.size()];
}

std::string foldedName(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

std::string closestName(std::string_view typed, std::span<const std::string> candidates) {
    // "-w" for --width: the start of exactly one name.
    std::string only;
    for (const std::string& c : candidates) {
        if (!beginsWith(c, typed)) continue;
        if (!only.empty()) {
            only.clear();
            break;
        }
        only = c;
    }
    // One or two letters are too few to measure a slip by.
    if (!only.empty() || typed.size() <= 2) return only;
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, typed.size() / 3) + 1;
    for (const std::string& c : candidates) {
        const std::size_t d = editDistance(typed, c);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

}  // namespace proctex::cli
