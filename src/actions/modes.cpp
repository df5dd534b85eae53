// Actions 16 to 21: box mode, bounce coefficient and the module's own pause.
#include "actions/action_params.h"
#include "actions/actions.h"

namespace kinemo {
KINEMO_ACTION(actWrapMode) {
    (void)p1;
    (void)p2;
    rd->mode = ModeWrap;
    return kActionResult;
}

KINEMO_ACTION(actBounceMode) {
    (void)p1;
    (void)p2;
    rd->mode = ModeBounce;
    return kActionResult;
}

KINEMO_ACTION(actNoMode) {
    (void)p1;
    (void)p2;
    rd->mode = ModeNone;
    return kActionResult;
}

// No range check: 0 stops at a bounce, above 100 adds speed, negatives are kept.
KINEMO_ACTION(actSetBounceCoefficient) {
    (void)p2;
    rd->bounceCoefficient = singleParam(p1);
    return kActionResult;
}

// A flag, not a counter.
KINEMO_ACTION(actPause) {
    (void)p1;
    (void)p2;
    rd->paused = 1;
    return kActionResult;
}

KINEMO_ACTION(actResume) {
    (void)p1;
    (void)p2;
    rd->paused = 0;
    return kActionResult;
}

}  // namespace kinemo
