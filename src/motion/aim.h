// Directions from the instance's precise position.
#pragma once
#include "motion/motion_constants.h"
#include "motion/run_data.h"
#include "platform/fmath.h"

namespace kinemo {
// Adds one full turn to a negative direction, once.
inline float positiveDirection(float a) {
    return a < 0.0f ? f32(f64(a) + f64(kFullTurn)) : a;
}

// Direction from (x, y) to the point, 0 up to the single full turn.
inline float aimDirection(const RunData* rd, float px, float py) {
    double dy = f64(rd->y) - f64(py);
    double dx = f64(px) - f64(rd->x);
    return positiveDirection(f32(kAtan2(dy, dx)));
}

}  // namespace kinemo
