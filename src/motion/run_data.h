// The host-allocated record of one instance: the host's header, then the motion state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "host/host_structs.h"
#include "platform/host_ref.h"

namespace kinemo {
enum MotionMode : int32_t { ModeNone = 0, ModeWrap = 1, ModeBounce = 2 };

struct RunData {
    uint8_t header[kHostObjectHeaderSize];
    float angle;
    float gravityStrength;
    float gravityAngle;
    float xSpeed;
    float ySpeed;
    float speed;
    float x;
    float y;
    float maxSpeed;
    float minSpeed;
    float bounceCoefficient;
    int32_t mode;
    int32_t boundLeft;
    int32_t boundTop;
    int32_t boundRight;
    int32_t boundBottom;
    uint8_t objectSet;
    uint8_t paused;
    uint8_t reserved[2];
    HostRef target;
};
static_assert(sizeof(RunData) == 360);
static_assert(offsetof(RunData, angle) == 288 && offsetof(RunData, bounceCoefficient) == 328);
static_assert(offsetof(RunData, mode) == 332 && offsetof(RunData, boundBottom) == 348);
static_assert(offsetof(RunData, objectSet) == 352 && offsetof(RunData, paused) == 353);
static_assert(offsetof(RunData, target) == 356);

constexpr uint32_t kDefaultGravityAngleBits = 0x4096CBE4;  // 3*pi/2 as f32: straight down
constexpr uint32_t kDefaultBounceBits = 0x42C80000;        // 100.0

inline HostRunHeader* runHeaderOf(const RunData* rd) {
    HostRef ref;
    std::memcpy(&ref, rd->header + kRunHeaderOffset, sizeof ref);
    return hostPtrAs<HostRunHeader>(ref);
}

inline void setFloatResultFlag(RunData* rd) {
    uint16_t flags;
    std::memcpy(&flags, rd->header + kResultFlagsOffset, sizeof flags);
    flags |= kFloatResultFlag;
    std::memcpy(rd->header + kResultFlagsOffset, &flags, sizeof flags);
}

}  // namespace kinemo
