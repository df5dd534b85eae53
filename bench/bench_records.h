// Host records for benchmarks, set up through the host harness on the
// native build; the timed loops then call the module directly, with no
// driver in between.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/module.h"
#include "host/routines.h"

namespace kbench {

using kinemo::HostObject;
using kinemo::RunData;
using kinemo::actionRoutines;
using kinemo::expressionRoutines;

struct Scene {
    std::unique_ptr<kdrv::Module> module;  // owns the records
    std::vector<HostObject*> targets;
    std::vector<RunData*> instances;
};

// A scene of `count` instances, each created and bound to its own target
// on a 640 x 480 playfield, with the fetch callbacks installed.
std::unique_ptr<Scene> boundScene(size_t count);

// Parameters handed out by the fetch callbacks, cycling through `values`.
void setFetchedParams(std::vector<uint32_t> values);

inline int16_t callAction(RunData* rd, int code, uint32_t p1 = 0, uint32_t p2 = 0) {
    return actionRoutines[code](rd, p1, p2);
}
inline uint32_t callExpression(RunData* rd, int code) { return expressionRoutines[code](rd, 0x1234); }

uint32_t objectRef(HostObject* obj);

// This thread's CPU time: figures taken in alternating batches inside one
// benchmark are read from it.
double threadCpuNs();

}  // namespace kbench
