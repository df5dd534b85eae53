// Host-side set-up shared by the behaviour tests: records in the driver's
// memory, laid out as the host lays them out, and calls by event code.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "driver/module.h"
#include "host/routines.h"

namespace hostrec {

using kdrv::Addr;
using kdrv::Module;
using kdrv::RoutineKind;

// A HostRunHeader with the playfield size; parameter callbacks unset.
Addr newRunHeader(Module& m, int16_t width = 640, int16_t height = 480);
// A HostObject with its hot-spot position, hot spot and image size.
Addr newObject(Module& m, int16_t x, int16_t y, int16_t hotX = 0, int16_t hotY = 0, int16_t w = 32, int16_t h = 32);
// A RunData whose header points at runHeader, after CreateRunObject.
Addr newInstance(Module& m, Addr runHeader);

RunInfos runInfos(Module& m);
Addr routine(Module& m, RoutineKind kind, int index);

int16_t action(Module& m, Addr rd, int code, uint32_t p1 = 0, uint32_t p2 = 0);
uint32_t condition(Module& m, Addr rd, int code = 0);
// Runs an expression whose parameters the host hands out in order through
// getFirstParam/getNextParam of the instance's run header.
uint32_t expression(Module& m, Addr rd, int code, std::initializer_list<uint32_t> params = {});
int16_t step(Module& m, Addr rd);

inline RunData& run(Module& m, Addr rd) { return *m.view<RunData>(rd); }
inline HostObject& object(Module& m, Addr obj) { return *m.view<HostObject>(obj); }

}  // namespace hostrec
