// Routine signatures and the registration record the host reads.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/event_codes.h"
#include "motion/run_data.h"
#include "platform/abi.h"

namespace kinemo {
using ConditionRoutine = uint32_t(KINEMO_STDCALL*)(RunData* rd, uint32_t p1, uint32_t p2);
using ActionRoutine = int16_t(KINEMO_STDCALL*)(RunData* rd, uint32_t p1, uint32_t p2);
using ExpressionRoutine = uint32_t(KINEMO_STDCALL*)(RunData* rd, uint32_t paramHandle);

constexpr int kConditionCount = ConditionCode::Count;
constexpr int kActionCount = ActionCode::Count;
constexpr int kExpressionCount = ExpressionCode::Count;
static_assert(kActionCount == 29 && kExpressionCount == 15);

// Each table ends with a null entry.
extern const ConditionRoutine conditionRoutines[kConditionCount + 1];
extern const ActionRoutine actionRoutines[kActionCount + 1];
extern const ExpressionRoutine expressionRoutines[kExpressionCount + 1];

// The host's byte-packed registration record; the module writes its first 32 bytes.
#pragma pack(push, 1)
struct RunInfos {
    HostRef conditionRoutines;
    HostRef actionRoutines;
    HostRef expressionRoutines;
    uint16_t conditionCount;
    uint16_t actionCount;
    uint16_t expressionCount;
    uint16_t editDataSize;
    uint16_t objectFlags;
    uint8_t objectByte;
    uint8_t hostByte;  // 23: left as the host set it
    uint16_t objectFlags2;
    uint32_t identifier;  // 26: unaligned
    uint16_t infoVersion;
};
#pragma pack(pop)
static_assert(sizeof(RunInfos) == 32);
static_assert(offsetof(RunInfos, hostByte) == 23 && offsetof(RunInfos, identifier) == 26);

}  // namespace kinemo
