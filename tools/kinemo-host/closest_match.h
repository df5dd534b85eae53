// "Did you mean" support: case-insensitive edit distance and the nearest candidate.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace khost {

size_t editDistance(std::string_view a, std::string_view b);

// The candidate nearest to text, if it is near enough to be a likely typo:
// within a third of the candidate's length, and at least 2 edits allowed.
std::optional<size_t> closestCandidate(std::string_view text, std::span<const std::string> candidates);

}  // namespace khost
