// Actions 12 to 15: point the motion or the gravity at an object or a point,
// once, from the instance's precise position.
#include "actions/action_params.h"
#include "actions/actions.h"
#include "motion/aim.h"
#include "motion/speed_vector.h"

namespace kinemo {
namespace {

void aimMotion(RunData* rd, float px, float py) {
    setPolarMotion(rd, aimDirection(rd, px, py), currentMagnitude(rd));
}

}  // namespace

KINEMO_ACTION(actAimAtObject) {
    (void)p2;
    const HostObject* object = objectParam(p1);
    aimMotion(rd, objectX(object), objectY(object));
    return kActionResult;
}

KINEMO_ACTION(actAimGravityAtObject) {
    (void)p2;
    const HostObject* object = objectParam(p1);
    rd->gravityAngle = aimDirection(rd, objectX(object), objectY(object));
    return kActionResult;
}

KINEMO_ACTION(actAimAtPoint) {
    aimMotion(rd, singleParam(p1), singleParam(p2));
    return kActionResult;
}

KINEMO_ACTION(actAimGravityAtPoint) {
    rd->gravityAngle = aimDirection(rd, singleParam(p1), singleParam(p2));
    return kActionResult;
}

}  // namespace kinemo
