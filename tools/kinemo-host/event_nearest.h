// How far an event text written in a scene is from an event's pattern, for
// "did you mean" suggestions: an edit distance over tokens, in which a
// placeholder takes any one word that fits its kind and the degree sign may
// be left out, so that the length of the values written does not count.
#pragma once
#include <cstddef>
#include <span>

#include "kinemo-host/event_language.h"
#include "kinemo-host/event_tokens.h"

namespace khost {

// kinds: the event's parameter kinds, by placeholder index.
size_t textDistance(std::span<const TextToken> pattern, std::span<const ParamKind> kinds,
                    std::span<const TextToken> input);

// A likely typo: within a third of the pattern's literal text, and at least 2.
bool nearEnough(size_t distance, std::span<const TextToken> pattern);

}  // namespace khost
