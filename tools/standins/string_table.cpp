#include <algorithm>
#include <array>
#include <cstring>

#include "standins/handle_cast.h"
#include "standins/state.h"

namespace standin {
namespace {

constexpr uint32_t kStringType = 6;
constexpr uint32_t kStringsPerBlock = 16;

// Code page 1252 bytes 0x80 to 0x9F; 0 marks the five unused bytes.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

char toCp1252(uint16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    auto it = std::find(kCp1252High.begin(), kCp1252High.end(), unit);
    if (unit != 0 && it != kCp1252High.end()) return static_cast<char>(0x80 + (it - kCp1252High.begin()));
    return '?';
}

int copyCut(std::string_view text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    if (n != 0) std::memcpy(buffer, text.data(), n);  // an empty view may have no data
    buffer[n] = '\0';
    return static_cast<int>(n);
}

// Strings live in blocks of 16: block id / 16 + 1, each string a 16-bit
// length and that many UTF-16 units; a zero length means no string.
std::optional<StringPlace> findString(uint32_t module, uint32_t id) {
    const platform::ResourceEntry* block = findEntry(module, kStringType, id / kStringsPerBlock + 1);
    if (block == nullptr) return std::nullopt;
    const auto& d = block->data;
    size_t at = 0;
    for (uint32_t i = 0;; ++i) {
        if (at + 2 > d.size()) return std::nullopt;
        const size_t length = d[at] | (d[at + 1] << 8);
        at += 2;
        if (at + 2 * length > d.size()) return std::nullopt;
        if (i == id % kStringsPerBlock) {
            if (length == 0) return std::nullopt;
            return StringPlace{d, at, length};
        }
        at += 2 * length;
    }
}

std::optional<std::string> loadString(uint32_t module, uint32_t id) {
    const std::optional<StringPlace> place = findString(module, id);
    if (!place) return std::nullopt;
    std::string text;
    for (size_t k = 0; k < place->length; ++k) {
        const size_t at = place->offset + 2 * k;
        text += toCp1252(static_cast<uint16_t>(place->block[at] | (place->block[at + 1] << 8)));
    }
    return text;
}

}  // namespace standin

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
    if (size == 0) {
        const auto place = standin::findString(standin::handleValue(module), id);
        if (place && buffer != nullptr) {
            const uint8_t* text = place->block.data() + place->offset;
            std::memcpy(buffer, &text, sizeof text);
        }
        return standin::kLoadStringZeroSize;
    }
    if (buffer == nullptr || size < 0) return 0;
    auto text = standin::loadString(standin::handleValue(module), id);
    return standin::copyCut(text ? *text : std::string_view(), buffer, size);
}
