// Actions 23 to 26: displace the precise position or add an impulse, toward an
// object or along an angle. `angle` and `speed` are left as they were.
#include "actions/action_params.h"
#include "actions/actions.h"

namespace kinemo {
namespace {

struct Offset {
    double dx;
    double dy;  // screen axes, y growing downward
};

// d hundredths of a pixel toward the object: a is taken in screen axes from the
// object to (x, y), so a positive d moves toward it.
Offset towardObject(const RunData* rd, uint32_t distance, uint32_t objectRef) {
    double d = f64(singleParam(distance)) / kHundred;
    const HostObject* object = objectParam(objectRef);
    double a = f64(f32(kAtan2(f64(rd->y) - f64(objectY(object)), f64(rd->x) - f64(objectX(object)))));
    return {-(kCos(a) * d), -(kSin(a) * d)};
}

// d along a angle in degrees, y taken as pointing up.
Offset alongAngle(uint32_t distance, uint32_t degrees) {
    double d = f64(singleParam(distance)) / kHundred;
    double a = f64(radiansFromDegrees(intParam(degrees)));
    return {kCos(a) * d, -(kSin(a) * d)};
}

void displace(float& vx, float& vy, Offset o) {
    vx = f32(f64(vx) + o.dx);
    vy = f32(f64(vy) + o.dy);
}

}  // namespace

KINEMO_ACTION(actMoveTowardsObject) {
    displace(rd->x, rd->y, towardObject(rd, p1, p2));
    return kActionResult;
}

KINEMO_ACTION(actPushTowardsObject) {
    displace(rd->xSpeed, rd->ySpeed, towardObject(rd, p1, p2));
    return kActionResult;
}

KINEMO_ACTION(actPushAtAngle) {
    displace(rd->xSpeed, rd->ySpeed, alongAngle(p1, p2));
    return kActionResult;
}

KINEMO_ACTION(actMoveAtAngle) {
    displace(rd->x, rd->y, alongAngle(p1, p2));
    return kActionResult;
}

}  // namespace kinemo
