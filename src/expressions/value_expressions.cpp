#include "expressions/expressions.h"
#include "expressions/float_result.h"

namespace kinemo {
namespace {
constexpr double kRadToDegAngle = 57.29577951471995;
constexpr double kRadToDegGravity = 57.29577951;
constexpr double kFullTurnDegrees = 360.0;
}  // namespace

// Direction of the current velocity; screen y grows downward, hence −ySpeed.
KINEMO_EXPRESSION(expGetAngle) {
    (void)paramHandle;
    double radians = kAtan2(-f64(rd->ySpeed), f64(rd->xSpeed));
    float degrees = f32(radians * kRadToDegAngle);
    if (degrees < 0.0f) degrees = f32(f64(degrees) + kFullTurnDegrees);
    return floatResult(rd, degrees);
}

// Magnitude from the components, not the stored `speed`.
KINEMO_EXPRESSION(expGetSpeed) {
    (void)paramHandle;
    double vx = f64(rd->xSpeed);
    double vy = f64(rd->ySpeed);
    return floatResult(rd, f32(kSqrt(vx * vx + vy * vy)));
}

// Not normalised: a negative or beyond-2π angle reports as it is.
KINEMO_EXPRESSION(expGetGravityAngle) {
    (void)paramHandle;
    return floatResult(rd, f32(f64(rd->gravityAngle) * kRadToDegGravity));
}

KINEMO_EXPRESSION(expGetX) { (void)paramHandle; return copiedResult(rd, rd->x); }
KINEMO_EXPRESSION(expGetY) { (void)paramHandle; return copiedResult(rd, rd->y); }
KINEMO_EXPRESSION(expGetXSpeed) { (void)paramHandle; return copiedResult(rd, rd->xSpeed); }
KINEMO_EXPRESSION(expGetYSpeed) { (void)paramHandle; return copiedResult(rd, rd->ySpeed); }
KINEMO_EXPRESSION(expGetGravityStrength) { (void)paramHandle; return copiedResult(rd, rd->gravityStrength); }
KINEMO_EXPRESSION(expGetMaxSpeed) { (void)paramHandle; return copiedResult(rd, rd->maxSpeed); }
KINEMO_EXPRESSION(expGetMinSpeed) { (void)paramHandle; return copiedResult(rd, rd->minSpeed); }
KINEMO_EXPRESSION(expGetBounceCoe) { (void)paramHandle; return copiedResult(rd, rd->bounceCoefficient); }

}  // namespace kinemo
