#include "kinemo-host/motion_events.h"

namespace khost {
namespace {
constexpr int32_t kWrap = 1;
constexpr int32_t kBounce = 2;

struct Axis {
    double before, after, speedBefore, speedAfter, low, high;
};

bool wrapped(const Axis& a) {
    bool onBound = a.after == a.low || a.after == a.high;
    return onBound && a.after != a.before && (a.after - a.before) * a.speedAfter <= 0;
}

// Resting on the bound already, heading away or stopped, is not a new bounce.
bool bounced(const Axis& a) {
    if (a.after == a.high && a.speedAfter <= 0) return !(a.before == a.high && a.speedBefore <= 0);
    if (a.after == a.low && a.speedAfter >= 0) return !(a.before == a.low && a.speedBefore >= 0);
    return false;
}
}  // namespace

StepEvents stepEvents(const InstanceState& before, const InstanceState& after) {
    StepEvents events;
    if (!before.moves() || after.target != before.target) return events;
    const Axis axes[] = {
        {before.x, after.x, before.xSpeed, after.xSpeed, double(after.boundLeft), double(after.boundRight)},
        {before.y, after.y, before.ySpeed, after.ySpeed, double(after.boundTop), double(after.boundBottom)},
    };
    // A corner hit turns both axes in one frame: one bounce, as the picture marks it.
    for (const Axis& a : axes) {
        if (after.mode == kWrap && wrapped(a)) events.wraps = 1;
        if (after.mode == kBounce && bounced(a)) events.bounces = 1;
    }
    return events;
}

}  // namespace khost
