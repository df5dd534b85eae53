// Plays a parsed scene against a module the way the host application would: one run
// header with the playfield and the parameter callbacks, a HostObject per
// scene object, a RunData per instance, events through the routine tables,
// and each frame HandleRunObject on every instance in creation order.
#pragma once
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/instance_state.h"
#include "kinemo-host/scene.h"

namespace khost {

class StepObserver {
public:
    virtual ~StepObserver() = default;
    // Once per instance per frame, in creation order; `before` is the state
    // just before HandleRunObject.
    virtual void onStep(const InstanceState& before, const InstanceState& after) = 0;
    // Before a result or a dump is written, and after the last frame.
    virtual void onReport() {}
    virtual void onFinish() {}
    // Each condition or expression result and each dump as printed, after `frame` frames.
    virtual void onResult(int64_t /*frame*/, std::string_view /*line*/) {}
    // The host moved an object with `place`, after `frame` frames.
    virtual void onPlace(int64_t /*frame*/, int /*object*/, int16_t /*x*/, int16_t /*y*/) {}
};

struct SceneEnd {
    int64_t frames = 0;
    std::vector<InstanceState> instances;  // by instance index
    struct Position {
        int16_t x = 0, y = 0;
    };
    std::vector<Position> objects;  // each object's posX/posY, by object index
};

// Condition and expression results and dumps go to `out` as they happen.
// Throws std::runtime_error if the module misbehaves beyond what the host application could use.
SceneEnd runScene(kdrv::Module& m, const Scene& scene, std::ostream& out, std::span<StepObserver* const> observers);

}  // namespace khost
