#include <bit>
#include <cstring>

#include "host/exports.h"

namespace kinemo {
namespace {

// Every motion field's default: zero but for the gravity angle, the bounce
// coefficient and the mode.
constexpr RunData motionDefaults() {
    RunData rd{};
    rd.gravityAngle = std::bit_cast<float>(kDefaultGravityAngleBits);
    rd.bounceCoefficient = std::bit_cast<float>(kDefaultBounceBits);
    rd.mode = ModeNone;
    return rd;
}
constexpr RunData kMotionDefaults = motionDefaults();

// The motion fields run from angle to paused; the host's header, the
// reserved bytes and `target` lie outside.
constexpr size_t kMotionBegin = offsetof(RunData, angle);
constexpr size_t kMotionEnd = offsetof(RunData, reserved);

}  // namespace

extern "C" int16_t KINEMO_STDCALL GetRunObjectDataSize(uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    return sizeof(RunData);
}

// Writes every motion default; leaves the host's header and `target` alone.
extern "C" int16_t KINEMO_STDCALL CreateRunObject(RunData* rd, uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    std::memcpy(reinterpret_cast<uint8_t*>(rd) + kMotionBegin,
                reinterpret_cast<const uint8_t*>(&kMotionDefaults) + kMotionBegin, kMotionEnd - kMotionBegin);
    return 0;
}

extern "C" {
int16_t KINEMO_STDCALL DestroyRunObject(uint32_t a, uint32_t b) { (void)a; (void)b; return 0; }
// A Kinemo instance draws nothing, and the host's pause does not touch `paused`.
int16_t KINEMO_STDCALL DisplayRunObject(uint32_t a) { (void)a; return 0; }
int16_t KINEMO_STDCALL PauseRunObject(uint32_t a) { (void)a; return 0; }
int16_t KINEMO_STDCALL ContinueRunObject(uint32_t a) { (void)a; return 0; }
}

}  // namespace kinemo
