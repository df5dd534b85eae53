// Action 22: mirrors the direction of motion about a plane, keeping the magnitude.
#include "actions/action_params.h"
#include "actions/actions.h"
#include "motion/speed_vector.h"

namespace kinemo {
KINEMO_ACTION(actForcedBounce) {
    (void)p2;
    // Twice the plane angle, doubled in 32-bit integer arithmetic.
    int32_t doubledDegrees = static_cast<int32_t>(p1 * 2u);
    float doubledPlane = f32(static_cast<double>(doubledDegrees) * kBounceDegreesToRadians);
    rd->angle = currentDirection(rd);
    rd->angle = f32(f64(doubledPlane) - f64(rd->angle));
    // No bounce coefficient, box or mode; the angle is left unnormalised.
    rd->speed = currentMagnitude(rd);
    recomposeSpeeds(rd);
    return kActionResult;
}

}  // namespace kinemo
