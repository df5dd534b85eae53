// The condition and expression routines, one per row of their lists.
#pragma once
#include "host/routines.h"

namespace kinemo {
#define KINEMO_CONDITION(name) uint32_t KINEMO_STDCALL name(RunData* rd, uint32_t p1, uint32_t p2)
#define KINEMO_EXPRESSION(name) uint32_t KINEMO_STDCALL name(RunData* rd, uint32_t paramHandle)

#define KINEMO_DECLARE_CONDITION(name, ...) KINEMO_CONDITION(cond##name);
KINEMO_CONDITIONS(KINEMO_DECLARE_CONDITION)
#undef KINEMO_DECLARE_CONDITION

#define KINEMO_DECLARE_EXPRESSION(name, ...) KINEMO_EXPRESSION(exp##name);
KINEMO_EXPRESSIONS(KINEMO_DECLARE_EXPRESSION)
#undef KINEMO_DECLARE_EXPRESSION

}  // namespace kinemo
