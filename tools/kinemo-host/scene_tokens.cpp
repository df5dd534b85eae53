#include "kinemo-host/scene_tokens.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace khost {
namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
}  // namespace

std::string_view stripComment(std::string_view line) {
    size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

std::string_view trimSpace(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !isSpace(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string_view afterWords(std::string_view text, size_t n) {
    size_t i = 0;
    for (size_t w = 0; w < n; ++w) {
        while (i < text.size() && isSpace(text[i])) ++i;
        while (i < text.size() && !isSpace(text[i])) ++i;
    }
    return trimSpace(text.substr(i));
}

bool isName(std::string_view text) {
    if (text.empty() || text.size() > kMaxNameLength) return false;
    if (!isLetter(text[0]) && text[0] != '_') return false;
    for (char c : text)
        if (!isLetter(c) && !isDigit(c) && c != '_') return false;
    return true;
}

NumberError parseInteger(std::string_view text, int64_t lo, int64_t hi, int64_t& out) {
    std::string_view digits = text;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
    if (digits.empty()) return NumberError::Malformed;
    for (char c : digits)
        if (!isDigit(c)) return NumberError::Malformed;
    // from_chars takes no '+'.
    std::string_view body = text[0] == '+' ? text.substr(1) : text;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec == std::errc::result_out_of_range) return NumberError::OutOfRange;
    if (ec != std::errc() || end != body.data() + body.size()) return NumberError::Malformed;
    if (value < lo || value > hi) return NumberError::OutOfRange;
    out = value;
    return NumberError::None;
}

namespace {
std::string_view withoutSign(std::string_view text) {
    return !text.empty() && (text[0] == '+' || text[0] == '-') ? text.substr(1) : text;
}
bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != b[i]) return false;
    return true;
}
bool isNan(std::string_view text) { return sameLetters(withoutSign(text), "nan"); }
bool isInf(std::string_view text) {
    return sameLetters(withoutSign(text), "inf") || sameLetters(withoutSign(text), "infinity");
}
}  // namespace

bool looksLikeFloat(std::string_view text) {
    // The forms the output prints for floats count too: "-0", "nan", "inf".
    return text.find_first_of(".eE") != std::string_view::npos || text == "-0" || isNan(text) || isInf(text);
}

NumberError parseFloat32(std::string_view text, float& out) {
    const bool negative = !text.empty() && text[0] == '-';
    if (isNan(text) || isInf(text)) {
        float magnitude = isNan(text) ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
        out = negative ? -magnitude : magnitude;
        return NumberError::None;
    }
    std::string_view body = !text.empty() && text[0] == '+' ? text.substr(1) : text;
    // from_chars would also take "inf", "nan" and hexadecimal-free forms like ".5";
    // insist on a plain decimal with at least one digit before any exponent.
    bool digitSeen = false;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (isDigit(c)) digitSeen = true;
        else if (c == 'e' || c == 'E') break;
        else if (c != '.' && !(i == 0 && c == '-')) return NumberError::Malformed;
    }
    if (!digitSeen) return NumberError::Malformed;
    float value = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec == std::errc::result_out_of_range) return NumberError::OutOfRange;
    if (ec != std::errc() || end != body.data() + body.size()) return NumberError::Malformed;
    if (!std::isfinite(value)) return NumberError::OutOfRange;
    out = value;
    return NumberError::None;
}

size_t utf8CharLength(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned lead = byte(i);
    size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || lead > 0xF4) return 0;
    uint32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return length;
}

std::string quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    const size_t shown = std::min(text.size(), kMaxQuoted);
    size_t i = 0;
    while (i < shown) {
        auto c = static_cast<unsigned char>(text[i]);
        // A character is shown whole or not at all; C1 controls (U+0080 to U+009F) are escaped.
        size_t length = utf8CharLength(text, i);
        if (length > 1 && !(c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            if (i + length > shown) break;
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    if (i < text.size()) return out + "...\" (" + std::to_string(text.size()) + " bytes)";
    return out + "\"";
}

}  // namespace khost
