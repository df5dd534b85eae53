// Host structures: only the fields the module uses, at the host's byte offsets.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/abi.h"

namespace kinemo {
struct HostObject {
    uint8_t hostReserved0[62];
    int16_t posX;  // 62: hot-spot x
    uint8_t hostReserved1[2];
    int16_t posY;  // 66: hot-spot y
    int16_t hotSpotX;
    int16_t hotSpotY;
    int16_t imageWidth;
    int16_t imageHeight;
    uint8_t hostReserved2[112];
    uint8_t updateFlagA;  // 188
    uint8_t updateFlagB;  // 189
};
static_assert(offsetof(HostObject, posX) == 62 && offsetof(HostObject, posY) == 66);
static_assert(offsetof(HostObject, hotSpotX) == 68 && offsetof(HostObject, imageHeight) == 74);
static_assert(offsetof(HostObject, updateFlagA) == 188 && offsetof(HostObject, updateFlagB) == 189);

struct HostRunHeader {
    uint8_t hostReserved0[148];
    int16_t playfieldWidth;   // 148
    int16_t playfieldHeight;  // 150
    uint8_t hostReserved1[648];
    HostRef getFirstParam;  // 800: ParamFetch
    HostRef getNextParam;   // 804: ParamFetch
};
static_assert(offsetof(HostRunHeader, playfieldWidth) == 148);
static_assert(offsetof(HostRunHeader, getFirstParam) == 800 && offsetof(HostRunHeader, getNextParam) == 804);

struct HostEditServices {
    uint8_t hostReserved0[12];
    uint32_t displayHandle;  // 12
    uint8_t hostReserved1[4];
    uint32_t parentWindow;  // 20
    uint8_t hostReserved2[556];
    HostRef pathCallback;  // 580: PathCallback
    uint8_t hostReserved3[52];
    HostRef getHostVersion;  // 636: HostVersionFn
};
static_assert(offsetof(HostEditServices, displayHandle) == 12 && offsetof(HostEditServices, parentWindow) == 20);
static_assert(offsetof(HostEditServices, pathCallback) == 580 && offsetof(HostEditServices, getHostVersion) == 636);

struct RunData;
using ParamFetch = uint32_t(KINEMO_STDCALL*)(RunData* rd, uint32_t two, uint32_t handle);
using HostVersionFn = uint32_t(KINEMO_STDCALL*)();
using PathCallback = uint32_t(KINEMO_STDCALL*)(char* path, uint32_t one, uint32_t alsoOne);

// HostObjectHeader, bytes 0-287 of RunData.
constexpr size_t kHostObjectHeaderSize = 288;
constexpr size_t kRunHeaderOffset = 6;     // unaligned 32-bit reference
constexpr size_t kResultFlagsOffset = 98;  // u16
constexpr uint16_t kFloatResultFlag = 0x4000;

}  // namespace kinemo
