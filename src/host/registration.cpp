#include <cstddef>
#include <cstring>

#include "host/exports.h"
#include "platform/host_ref.h"

namespace kinemo {
HINSTANCE moduleHandle = nullptr;

namespace {
constexpr uint32_t kInfosForSelector0 = 768;

// The registration record but for the routine tables, which are addresses,
// and byte 23, which belongs to the host.
constexpr RunInfos kObjectInfos = {
    .conditionRoutines = 0,
    .actionRoutines = 0,
    .expressionRoutines = 0,
    .conditionCount = kConditionCount,
    .actionCount = kActionCount,
    .expressionCount = kExpressionCount,
    .editDataSize = 16,
    .objectFlags = 1,
    .objectByte = 100,
    .hostByte = 0,
    .objectFlags2 = 0,
    .identifier = 0x83AD46BC,
    .infoVersion = 1,
};
constexpr size_t kHostByteAt = offsetof(RunInfos, hostByte);
}  // namespace

extern "C" int32_t KINEMO_STDCALL DllMain(HINSTANCE instance, uint32_t reason, void* reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) moduleHandle = instance;
    return 1;
}

extern "C" uint32_t KINEMO_STDCALL GetInfos(uint32_t selector) {
    return selector == 0 ? kInfosForSelector0 : 0;
}

// Every byte of the record but the host's.
extern "C" int16_t KINEMO_STDCALL GetRunObjectInfos(uint32_t unused, RunInfos* infos) {
    (void)unused;
    RunInfos filled = kObjectInfos;
    filled.conditionRoutines = hostRef(conditionRoutines);
    filled.actionRoutines = hostRef(actionRoutines);
    filled.expressionRoutines = hostRef(expressionRoutines);
    auto* out = reinterpret_cast<uint8_t*>(infos);
    const auto* in = reinterpret_cast<const uint8_t*>(&filled);
    std::memcpy(out, in, kHostByteAt);
    std::memcpy(out + kHostByteAt + 1, in + kHostByteAt + 1, sizeof(RunInfos) - kHostByteAt - 1);
    return 1;
}

}  // namespace kinemo
