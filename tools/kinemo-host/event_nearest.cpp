#include "kinemo-host/event_nearest.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

#include "kinemo-host/scene_tokens.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

// Longer texts are no typo of an event's; they are not worth the comparison.
constexpr size_t kMaxInputTokens = 64;
constexpr size_t kFar = std::numeric_limits<size_t>::max() / 4;

// A pattern token that the input lacks: a left-out degree sign costs nothing.
size_t missingCost(const TextToken& t) {
    switch (t.kind) {
        case TokenKind::Degree: return 0;
        case TokenKind::Word: return t.text.size();
        case TokenKind::Punct:
        case TokenKind::Placeholder: return 1;
    }
    return 1;
}

// An input token that the pattern lacks.
size_t extraCost(const TextToken& t) { return t.kind == TokenKind::Word ? t.text.size() : 1; }

bool fits(std::span<const ParamKind> kinds, int param, std::string_view word) {
    if (param < 0 || static_cast<size_t>(param) >= kinds.size()) return true;
    switch (kinds[param]) {
        case ParamKind::Object: return isName(word);
        case ParamKind::Integer:
        case ParamKind::Number: return looksNumeric(word);
        case ParamKind::Unknown: return true;
    }
    return true;
}

size_t pairCost(const TextToken& p, const TextToken& in, std::span<const ParamKind> kinds) {
    if (p.kind == TokenKind::Placeholder && in.kind == TokenKind::Word) return fits(kinds, p.param, in.text) ? 0 : 1;
    if (p.kind != in.kind) return kFar;
    switch (p.kind) {
        case TokenKind::Word: return editDistance(p.text, in.text);
        case TokenKind::Punct: return p.text == in.text ? 0 : 1;
        case TokenKind::Degree:
        case TokenKind::Placeholder: return 0;
    }
    return kFar;
}

}  // namespace

size_t textDistance(std::span<const TextToken> pattern, std::span<const ParamKind> kinds,
                    std::span<const TextToken> input) {
    if (input.size() > kMaxInputTokens) return kFar;
    const size_t width = input.size() + 1;
    std::vector<size_t> d((pattern.size() + 1) * width);
    auto at = [&](size_t i, size_t j) -> size_t& { return d[i * width + j]; };
    for (size_t j = 1; j <= input.size(); ++j) at(0, j) = at(0, j - 1) + extraCost(input[j - 1]);
    for (size_t i = 1; i <= pattern.size(); ++i) {
        at(i, 0) = at(i - 1, 0) + missingCost(pattern[i - 1]);
        for (size_t j = 1; j <= input.size(); ++j)
            at(i, j) = std::min({at(i - 1, j) + missingCost(pattern[i - 1]), at(i, j - 1) + extraCost(input[j - 1]),
                                 at(i - 1, j - 1) + pairCost(pattern[i - 1], input[j - 1], kinds)});
    }
    return at(pattern.size(), input.size());
}

bool nearEnough(size_t distance, std::span<const TextToken> pattern) {
    size_t literal = 0;
    for (const TextToken& t : pattern)
        if (t.kind == TokenKind::Word || t.kind == TokenKind::Punct) literal += t.text.size();
    return distance <= std::max<size_t>(2, literal / 3);
}

}  // namespace khost
