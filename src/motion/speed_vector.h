// The speed vector and its polar form: magnitude, direction, recomposition.
#pragma once
#include "motion/motion_constants.h"
#include "motion/run_data.h"
#include "platform/fmath.h"

namespace kinemo {
// sqrt(xSpeed^2 + ySpeed^2) of the components; the stored `speed` is never trusted.
inline float currentMagnitude(const RunData* rd) {
    double xs = f64(rd->xSpeed);
    double ys = f64(rd->ySpeed);
    return f32(kSqrt(xs * xs + ys * ys));
}

// Direction of the components, y taken as pointing up; signed zeros decide at rest.
inline float currentDirection(const RunData* rd) {
    return f32(kAtan2(f64(rd->ySpeed) * f64(kMinusOne), f64(rd->xSpeed)));
}

// Components from the stored single `angle` and `speed`, x first.
inline void recomposeSpeeds(RunData* rd) {
    double angle = f64(rd->angle);
    double speed = f64(rd->speed);
    rd->xSpeed = f32(kCos(angle) * speed);
    rd->ySpeed = f32(kSin(angle) * (speed * f64(kMinusOne)));
}

// Stores a new polar form and derives the components from it.
inline void setPolarMotion(RunData* rd, float angle, float speed) {
    rd->angle = angle;
    rd->speed = speed;
    recomposeSpeeds(rd);
}

}  // namespace kinemo
