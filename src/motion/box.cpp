#include "motion/box.h"

#include "motion/motion_constants.h"
#include "platform/fmath.h"

namespace kinemo {
namespace {

float boundAsSingle(int32_t bound) { return static_cast<float>(bound); }

// Each test sees what the one before it set: right before left, bottom before top.
void wrapAxis(float& pos, int32_t low, int32_t high) {
    if (f64(pos) > static_cast<double>(high)) pos = boundAsSingle(low);
    if (f64(pos) < static_cast<double>(low)) pos = boundAsSingle(high);
}

// Any bounce damps both components, whichever axis hit.
void damp(RunData* rd) {
    if (rd->bounceCoefficient == kFullBounce) return;
    double k = f64(rd->bounceCoefficient) / kHundred;
    rd->xSpeed = f32(k * f64(rd->xSpeed));
    rd->ySpeed = f32(k * f64(rd->ySpeed));
}

void reflect(RunData* rd, float& pos, float& speed, int32_t bound) {
    pos = boundAsSingle(bound);
    speed = f32(f64(speed) * f64(kMinusOne));
    damp(rd);
}

}  // namespace

void wrapInBox(RunData* rd) {
    wrapAxis(rd->x, rd->boundLeft, rd->boundRight);
    wrapAxis(rd->y, rd->boundTop, rd->boundBottom);
}

// At most one bound per axis acts: right before left, top before bottom.
void bounceInBox(RunData* rd) {
    if (f64(rd->x) > static_cast<double>(rd->boundRight))
        reflect(rd, rd->x, rd->xSpeed, rd->boundRight);
    else if (f64(rd->x) < static_cast<double>(rd->boundLeft))
        reflect(rd, rd->x, rd->xSpeed, rd->boundLeft);

    if (f64(rd->y) < static_cast<double>(rd->boundTop))
        reflect(rd, rd->y, rd->ySpeed, rd->boundTop);
    else if (f64(rd->y) > static_cast<double>(rd->boundBottom))
        reflect(rd, rd->y, rd->ySpeed, rd->boundBottom);
}

}  // namespace kinemo
