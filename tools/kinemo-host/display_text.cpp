#include "kinemo-host/display_text.h"

#include <cstdint>

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

}  // namespace khost
