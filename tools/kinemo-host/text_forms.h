// Texts as the tool reads and writes them: the module's single-byte strings
// in UTF-8, floats that read back to the same bits, markup-safe text, the
// units of event parameters and "did you mean" suggestions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "expressions/expression_params.h"
#include "kinemo-host/event_language.h"

namespace khost {

// The module's texts are single-byte (Windows-1252); the tool speaks UTF-8.
constexpr char kDegreeByte = '\xB0';
constexpr std::string_view kDegreeUtf8 = "\xC2\xB0";
std::string singleByteToUtf8(std::string_view text);

// The shortest text that reads back to the same bits; "-0", "inf", "-inf"
// and "nan" as such.
std::string formatFloat(float v);
// Fixed-point text for drawing coordinates (not for reading back).
std::string formatCoordinate(double v);

// Text placed in SVG or HTML markup: the four characters that would end
// an element or an attribute value become entities.
std::string escapeMarkup(std::string_view text);

// The module's own rule for the raw 32 bits of an expression argument: floats
// below 1 in magnitude, nan, inf and multiples of 2^32 arrive as integers.
// The tool asks it to warn about arguments that will not mean what they say.
inline bool readAsInteger(uint32_t bits) { return kinemo::paramIsInteger(bits); }

// The unit of an event parameter, read off its display string: the module's
// tables carry types but no units, and the display strings say enough.
// display: the module's single-byte display string; param: the %N index.
std::string_view paramUnit(std::string_view display, int param, ParamKind kind);

// Case-insensitive edit distance.
size_t editDistance(std::string_view a, std::string_view b);
// The candidate nearest to text, if it is near enough to be a likely typo:
// within a third of the candidate's length, and at least 2 edits allowed.
std::optional<size_t> closestCandidate(std::string_view text, std::span<const std::string> candidates);

}  // namespace khost
