// Host records for benchmarks, built in plain process memory and handed to
// the native module directly: no driver in the timed loops.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "host/routines.h"

namespace kbench {

struct Scene {
    HostRunHeader runHeader{};
    std::vector<HostObject> targets;
    std::vector<RunData> instances;
};

// A scene of `count` instances, each created and bound to its own target
// (action 2) on a 640 x 480 playfield, with the fetch callbacks installed.
std::unique_ptr<Scene> boundScene(size_t count);

// Parameters handed out by the fetch callbacks, cycling through `values`.
void setFetchedParams(std::vector<uint32_t> values);

inline int16_t callAction(RunData* rd, int code, uint32_t p1 = 0, uint32_t p2 = 0) {
    return actionRoutines[code](rd, p1, p2);
}
inline uint32_t callExpression(RunData* rd, int code) { return expressionRoutines[code](rd, 0x1234); }

uint32_t objectRef(HostObject* obj);

}  // namespace kbench
