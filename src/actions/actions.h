// The action routines, one per row of the action list.
#pragma once
#include "host/routines.h"

namespace kinemo {
#define KINEMO_ACTION(name) int16_t KINEMO_STDCALL name(RunData* rd, uint32_t p1, uint32_t p2)

#define KINEMO_DECLARE_ACTION(name, ...) KINEMO_ACTION(act##name);
KINEMO_ACTIONS(KINEMO_DECLARE_ACTION)
#undef KINEMO_DECLARE_ACTION

}  // namespace kinemo
