#include "kinemo-host/motion_events.h"

namespace khost {
namespace {
constexpr int32_t kWrap = 1;
constexpr int32_t kBounce = 2;

struct Axis {
    double before, after, speedAfter, low, high;
};

bool wrapped(const Axis& a) {
    bool onBound = a.after == a.low || a.after == a.high;
    return onBound && a.after != a.before && (a.after - a.before) * a.speedAfter <= 0;
}

bool bounced(const Axis& a) {
    if (a.after == a.high && a.before != a.high && a.speedAfter <= 0) return true;
    return a.after == a.low && a.before != a.low && a.speedAfter >= 0;
}
}  // namespace

StepEvents stepEvents(const InstanceState& before, const InstanceState& after) {
    StepEvents events;
    if (!before.moves() || after.target != before.target) return events;
    const Axis axes[] = {
        {before.x, after.x, after.xSpeed, double(after.boundLeft), double(after.boundRight)},
        {before.y, after.y, after.ySpeed, double(after.boundTop), double(after.boundBottom)},
    };
    for (const Axis& a : axes) {
        if (after.mode == kWrap && wrapped(a)) ++events.wraps;
        if (after.mode == kBounce && bounced(a)) ++events.bounces;
    }
    return events;
}

}  // namespace khost
