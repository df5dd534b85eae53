#include "kinemo-host/closest_match.h"

#include <algorithm>
#include <vector>

namespace khost {
namespace {
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Long lines are not worth a quadratic comparison.
constexpr size_t kMaxCompared = 200;
}  // namespace

// Optimal string alignment: insertions, deletions, substitutions and swaps
// of two neighbours ("gaol" is one edit from "goal").
size_t editDistance(std::string_view a, std::string_view b) {
    a = a.substr(0, kMaxCompared);
    b = b.substr(0, kMaxCompared);
    const size_t width = b.size() + 1;
    std::vector<size_t> d((a.size() + 1) * width);
    auto at = [&](size_t i, size_t j) -> size_t& { return d[i * width + j]; };
    for (size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
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
