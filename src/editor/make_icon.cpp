// The object's icon for the host's lists: bitmap 400 copied as a packed
// device-independent bitmap (header, colour table, pixels).
#include <cstring>

#include "host/exports.h"
#include "platform/winapi.h"

namespace {
constexpr uint16_t kIconBitmap = 400;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kHeaderWidthAt = 4;
constexpr size_t kHeaderHeightAt = 8;
constexpr size_t kHeaderBitCountAt = 14;

uint16_t readU16(const uint8_t* at) {
    uint16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// The table is always 2^b entries; the header's colours-used count is ignored.
uint16_t colourTableBytes(uint16_t bitCount) {
    return bitCount <= 8 ? static_cast<uint16_t>(4u << bitCount) : 0;
}

// Rows padded to 32 bits; the 16-bit results drop any higher bits.
uint16_t pixelBytes(uint16_t width, uint16_t height, uint16_t bitCount) {
    const uint32_t rowBytes = ((uint32_t{width} * bitCount + 31) & ~uint32_t{31}) / 8;
    return static_cast<uint16_t>(rowBytes * height);
}

uint32_t packedDibSize(const uint8_t* header) {
    const uint16_t bitCount = readU16(header + kHeaderBitCountAt);
    const uint16_t width = readU16(header + kHeaderWidthAt);
    const uint16_t height = readU16(header + kHeaderHeightAt);
    return kInfoHeaderSize + colourTableBytes(bitCount) + pixelBytes(width, height, bitCount);
}
}  // namespace

extern "C" int32_t KINEMO_STDCALL MakeIcon(HostEditServices* services, uint8_t* icon, uint32_t a, uint32_t b,
                                           uint32_t c) {
    (void)services;
    (void)a;
    (void)b;
    (void)c;
    HRSRC found = FindResourceA(moduleHandle, MAKEINTRESOURCEA(kIconBitmap), RT_BITMAP);
    if (found == nullptr) return -1;
    HGLOBAL loaded = LoadResource(moduleHandle, found);
    if (loaded == nullptr) return -1;
    const auto* dib = static_cast<const uint8_t*>(LockResource(loaded));
    if (dib == nullptr) {
        FreeResource(loaded);
        return -1;
    }
    std::memcpy(icon, dib, packedDibSize(dib));
    FreeResource(loaded);
    return 0;
}
