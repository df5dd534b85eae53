// The per-frame step: the only code that moves the target.
#include "host/exports.h"
#include "motion/box.h"
#include "motion/motion_constants.h"
#include "motion/speed_vector.h"
#include "platform/fmath.h"
#include "platform/fp_control.h"

namespace kinemo {
namespace {

constexpr int16_t kStepResult = 2;

void applyGravity(RunData* rd) {
    double g = f64(rd->gravityStrength) / kHundred;
    double angle = f64(rd->gravityAngle);
    rd->xSpeed = f32(f64(rd->xSpeed) + kCos(angle) * g);
    rd->ySpeed = f32(f64(rd->ySpeed) - kSin(angle) * g);
}

void integratePosition(RunData* rd) {
    rd->x = f32(f64(rd->x) + f64(rd->xSpeed) / kHundred);
    rd->y = f32(f64(rd->y) + f64(rd->ySpeed) / kHundred);
}

double squaredMagnitude(const RunData* rd) {
    double xs = f64(rd->xSpeed);
    double ys = f64(rd->ySpeed);
    return xs * xs + ys * ys;
}

// Keeps the direction of the components and takes the limit as magnitude.
void limitTo(RunData* rd, float limit) {
    setPolarMotion(rd, currentDirection(rd), limit);
}

// Strict tests: a magnitude equal to a limit is left alone; 0 or less is no limit.
void applySpeedLimits(RunData* rd) {
    double maxSpeed = f64(rd->maxSpeed);
    if (rd->maxSpeed > 0.0f && maxSpeed * maxSpeed < squaredMagnitude(rd)) limitTo(rd, rd->maxSpeed);
    double minSpeed = f64(rd->minSpeed);
    if (rd->minSpeed > 0.0f && minSpeed * minSpeed > squaredMagnitude(rd)) limitTo(rd, rd->minSpeed);
}

// Truncation toward zero, then the low 16 bits in two's complement.
int16_t hostCoordinate(float v) {
    return static_cast<int16_t>(static_cast<uint16_t>(truncatedLow32(v)));
}

void writeBack(const RunData* rd) {
    HostObject* target = hostPtrAs<HostObject>(rd->target);
    target->posX = hostCoordinate(rd->x);
    target->posY = hostCoordinate(rd->y);
    target->updateFlagA = 1;
    target->updateFlagB = 1;
}

// Gravity first, so a frame's displacement already includes it; the limits
// after the move, so the frame that leaves the range still moves unlimited.
KINEMO_FP_BODY int16_t moveTarget(RunData* rd) {
    applyGravity(rd);
    integratePosition(rd);
    applySpeedLimits(rd);
    if (rd->mode == ModeWrap) wrapInBox(rd);
    else if (rd->mode == ModeBounce) bounceInBox(rd);
    writeBack(rd);
    return kStepResult;
}

}  // namespace

extern "C" int16_t KINEMO_STDCALL HandleRunObject(RunData* rd) {
    if (rd->objectSet != 1 || rd->paused != 0) return kStepResult;
    return inModuleFp(moveTarget, rd);
}

}  // namespace kinemo
