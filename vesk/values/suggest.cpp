#include "vesk/values/suggest.h"

#include <algorithm>
#include <cctype>

namespace vesk {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Edits between a and b, letters compared without case: insertions,
// deletions, changes and swaps of neighbours (optimal string alignment).
// Gives up (returns limit + 1) once every way is past `limit`.
size_t Edits(std::string_view a, std::string_view b, size_t limit) {
    size_t n = a.size(), m = b.size();
    if ((n > m ? n - m : m - n) > limit) return limit + 1;
    std::vector<size_t> before(m + 1), prev(m + 1), row(m + 1);
    for (size_t j = 0; j <= m; j++) prev[j] = j;
    for (size_t i = 1; i <= n; i++) {
        row[0] = i;
        size_t best = row[0];
        for (size_t j = 1; j <= m; j++) {
            size_t cost = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({prev[j] + 1, row[j - 1] + 1, prev[j - 1] + cost});
            if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1]))
                row[j] = std::min(row[j], before[j - 2] + 1);
            best = std::min(best, row[j]);
        }
        if (best > limit) return limit + 1;
        before.swap(prev);
        prev.swap(row);
    }
    return prev[m];
}

}  // namespace

std::string Closest(std::string_view name, const std::vector<std::string_view>& candidates) {
    size_t n = name.size();
    size_t limit = n < 3 ? 0 : n < 6 ? 1 : n < 10 ? 2 : 3;
    std::string_view best;
    size_t bestEdits = limit + 1;
    for (std::string_view c : candidates) {
        if (c == name || c.empty()) continue;
        size_t e = Edits(name, c, limit);
        if (e < bestEdits) {
            best = c;
            bestEdits = e;
        }
    }
    return std::string(best);
}

std::string DidYouMean(std::string_view name, const std::vector<std::string_view>& candidates) {
    std::string best = Closest(name, candidates);
    return best.empty() ? "" : "; did you mean '" + best + "'?";
}

}  // namespace vesk
