// Actions 0, 1 and 3 to 11: direct control over direction, speed, gravity,
// position, speed limits and components.
#include "actions/action_params.h"
#include "actions/actions.h"
#include "motion/speed_vector.h"

namespace kinemo {
// Keeps the magnitude of the components, takes the new direction.
KINEMO_ACTION(actSetAngle) {
    (void)p2;
    setPolarMotion(rd, radiansFromDegrees(intParam(p1)), currentMagnitude(rd));
    return kActionResult;
}

// Keeps the direction of the components, not the stored `angle`.
KINEMO_ACTION(actSetSpeed) {
    (void)p2;
    setPolarMotion(rd, currentDirection(rd), singleParam(p1));
    return kActionResult;
}

KINEMO_ACTION(actSetGravityStrength) {
    (void)p2;
    rd->gravityStrength = singleParam(p1);
    return kActionResult;
}

KINEMO_ACTION(actSetGravityAngle) {
    (void)p2;
    rd->gravityAngle = radiansFromDegrees(intParam(p1));
    return kActionResult;
}

KINEMO_ACTION(actSetX) {
    (void)p2;
    rd->x = singleParam(p1);
    return kActionResult;
}

KINEMO_ACTION(actSetY) {
    (void)p2;
    rd->y = singleParam(p1);
    return kActionResult;
}

KINEMO_ACTION(actSetPosition) {
    rd->x = singleParam(p1);
    rd->y = singleParam(p2);
    return kActionResult;
}

// The value being set gives way, so minSpeed <= maxSpeed always holds.
KINEMO_ACTION(actSetMinimumSpeed) {
    (void)p2;
    rd->minSpeed = singleParam(p1);
    if (rd->minSpeed > rd->maxSpeed) rd->minSpeed = rd->maxSpeed;
    return kActionResult;
}

KINEMO_ACTION(actSetMaximumSpeed) {
    (void)p2;
    rd->maxSpeed = singleParam(p1);
    if (rd->maxSpeed < rd->minSpeed) rd->maxSpeed = rd->minSpeed;
    return kActionResult;
}

KINEMO_ACTION(actSetXSpeed) {
    (void)p2;
    rd->xSpeed = singleParam(p1);
    return kActionResult;
}

KINEMO_ACTION(actSetYSpeed) {
    (void)p2;
    rd->ySpeed = singleParam(p1);
    return kActionResult;
}

}  // namespace kinemo
