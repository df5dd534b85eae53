#include "kinemo-host/text_forms.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace khost {
namespace {

// Windows-1252 0x80-0x9F where it differs from Latin-1; 0 marks an unused byte.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct UnitRule {
    std::string_view phrase;  // found anywhere in the display string
    std::string_view unit;
};

// First matching phrase wins; the order settles strings holding two phrases.
constexpr std::array<UnitRule, 6> kUnitRules{{
    {"Angle", "degrees"},
    {"Gravity Strength", "1/10000 px per frame\xC2\xB2"},
    {"Coefficient", "percent"},
    // An impulse is added as a hundredth of its value, like one frame of gravity.
    {"Directional Speed", "1/10000 px per frame"},
    {"Speed", "1/100 px per frame"},
    {"Move ", "1/100 px"},
}};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Long lines are not worth a quadratic comparison.
constexpr size_t kMaxCompared = 200;

}  // namespace

std::string singleByteToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<uint8_t>(ch);
        uint32_t cp = c;
        if (c >= 0x80 && c < 0xA0) cp = kWindows1252High[c - 0x80] != 0 ? kWindows1252High[c - 0x80] : 0xFFFD;
        appendUtf8(out, cp);
    }
    return out;
}

std::string formatFloat(float v) {
    if (std::isnan(v)) return "nan";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

std::string formatCoordinate(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, std::round(v * 100.0) / 100.0, std::chars_format::fixed);
    std::string text(buf, result.ptr);
    if (text == "-0") text = "0";
    return text;
}

std::string escapeMarkup(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string_view paramUnit(std::string_view display, int param, ParamKind kind) {
    if (kind == ParamKind::Object) return "\xE2\x80\x94";
    if (kind == ParamKind::Unknown) return "?";
    if (kind == ParamKind::Number) return "px";
    std::string placeholder = "%" + std::to_string(param);
    size_t at = display.find(placeholder);
    if (at != std::string_view::npos && display.substr(at + placeholder.size(), 1) == std::string_view(&kDegreeByte, 1))
        return "degrees";
    for (const UnitRule& rule : kUnitRules)
        if (display.find(rule.phrase) != std::string_view::npos) return rule.unit;
    return "px";
}

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
