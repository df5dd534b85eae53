// Bounces and wraps as the host sees them from outside, comparing an
// instance's state before and after one step:
// - a wrap: the position lands on a bound of the box, having moved against
//   (or without) its speed;
// - a bounce: the position is on a bound with the speed component turned
//   away from it (or stopped), unless it already lay there so before the step.
// An object resting on a bound (gravity pressing it in every frame) counts once.
// Each counts frames: a step that turns or wraps both axes at a corner is one.
#pragma once
#include "kinemo-host/instance_state.h"

namespace khost {

struct StepEvents {
    int bounces = 0;  // 0 or 1
    int wraps = 0;    // 0 or 1
};

StepEvents stepEvents(const InstanceState& before, const InstanceState& after);

}  // namespace khost
