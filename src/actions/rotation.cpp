// Actions 27 and 28: turn the direction of motion by at most a step toward a
// goal, the shorter way round, keeping the magnitude.
#include "actions/action_params.h"
#include "actions/actions.h"
#include "motion/aim.h"
#include "motion/speed_vector.h"

namespace kinemo {
namespace {

// Both parameters go through single precision before the degree factor.
float radiansFromSingleDegrees(uint32_t degrees) { return radiansFromDegrees(f64(singleParam(degrees))); }

// `angle` already holds the current direction, at least 0 (but not reduced).
void turnToward(RunData* rd, float goal, float step) {
    float clockwise = f32(f64(rd->angle) - f64(goal));
    if (clockwise < 0.0f) clockwise = f32(f64(clockwise) + f64(kFullTurn));
    float counterClockwise = f32(kFullTurnDouble - f64(clockwise));

    // A tie, the goal straight behind, turns clockwise.
    if (clockwise <= counterClockwise) {
        float by = clockwise < step ? clockwise : step;
        rd->angle = f32(f64(rd->angle) - f64(by));
    } else {
        float by = counterClockwise < step ? counterClockwise : step;
        rd->angle = f32(f64(by) + f64(rd->angle));
    }
    // Magnitude of the unchanged components, then the new direction.
    rd->speed = currentMagnitude(rd);
    recomposeSpeeds(rd);
}

}  // namespace

// Starts from the stored `angle`, the direction of the last recomposition.
KINEMO_ACTION(actRotateTowardsObject) {
    const HostObject* object = objectParam(p2);
    float step = radiansFromSingleDegrees(p1);
    float goal = aimDirection(rd, objectX(object), objectY(object));
    rd->angle = positiveDirection(rd->angle);
    turnToward(rd, goal, step);
    return kActionResult;
}

// Starts from the direction the components really move in.
KINEMO_ACTION(actRotateTowardsAngle) {
    float step = radiansFromSingleDegrees(p1);
    float goal = radiansFromSingleDegrees(p2);
    rd->angle = positiveDirection(currentDirection(rd));
    turnToward(rd, goal, step);
    return kActionResult;
}

}  // namespace kinemo
