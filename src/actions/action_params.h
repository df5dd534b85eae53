// Action parameters arrive as raw 32-bit values.
#pragma once
#include <cstdint>

#include "host/host_structs.h"
#include "motion/motion_constants.h"
#include "platform/fmath.h"
#include "platform/host_ref.h"

namespace kinemo {
// An integer parameter: the signed value the host computed, exact as a double.
inline double intParam(uint32_t raw) { return static_cast<double>(static_cast<int32_t>(raw)); }
// An integer parameter stored in a single field, rounded to the nearest single.
inline float singleParam(uint32_t raw) { return f32(intParam(raw)); }

// Degrees to radians with the common constant, rounded to single.
inline float radiansFromDegrees(double degrees) { return f32(degrees * kDegreesToRadians); }

// An object parameter: the host's reference to a HostObject.
inline const HostObject* objectParam(uint32_t raw) { return hostPtrAs<const HostObject>(raw); }
inline float objectX(const HostObject* o) { return static_cast<float>(o->posX); }
inline float objectY(const HostObject* o) { return static_cast<float>(o->posY); }

constexpr int16_t kActionResult = 0;

}  // namespace kinemo
