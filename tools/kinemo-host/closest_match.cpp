#include "kinemo-host/closest_match.h"

#include <algorithm>
#include <vector>

namespace khost {
namespace {
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Long lines are not worth a quadratic comparison.
constexpr size_t kMaxCompared = 200;
}  // namespace

size_t editDistance(std::string_view a, std::string_view b) {
    a = a.substr(0, kMaxCompared);
    b = b.substr(0, kMaxCompared);
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            size_t substitute = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitute});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::optional<size_t> closestCandidate(std::string_view text, std::span<const std::string> candidates) {
    std::optional<size_t> best;
    size_t bestDistance = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        size_t d = editDistance(text, candidates[i]);
        size_t allowed = std::max<size_t>(2, candidates[i].size() / 3);
        if (d > allowed) continue;
        if (!best || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

}  // namespace khost
