// Small lexical helpers for scene lines: words, names, numbers, quoting.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace khost {

std::string_view stripComment(std::string_view line);
std::string_view trimSpace(std::string_view text);
std::vector<std::string_view> splitWords(std::string_view text);
// The rest of the text after the first n words, trimmed.
std::string_view afterWords(std::string_view text, size_t n);

// A scene name: a letter or '_' then letters, digits or '_', at most kMaxNameLength.
constexpr size_t kMaxNameLength = 64;
bool isName(std::string_view text);

enum class NumberError : uint8_t { None, Malformed, OutOfRange };

// A signed decimal integer within [lo, hi].
NumberError parseInteger(std::string_view text, int64_t lo, int64_t hi, int64_t& out);
// A decimal number with a point or an exponent, rounded to the nearest f32,
// or nan or inf with an optional sign, in any case; overflow is out of range.
NumberError parseFloat32(std::string_view text, float& out);
// Written as a float: a decimal point or an exponent, or "-0", "nan", "inf".
bool looksLikeFloat(std::string_view text);

// The length of the well-formed UTF-8 character of 2 to 4 bytes at text[i]; 0 if none starts there.
size_t utf8CharLength(std::string_view text, size_t i);

// The text in double quotes: UTF-8 characters as they are, control bytes
// and bytes that are not UTF-8 escaped as \xHH; past kMaxQuoted bytes it is
// cut (never inside a character), and the length is given.
constexpr size_t kMaxQuoted = 80;
std::string quoted(std::string_view text);

}  // namespace khost
