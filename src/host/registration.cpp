#include "host/exports.h"
#include "platform/host_ref.h"

HINSTANCE moduleHandle = nullptr;

namespace {
constexpr uint32_t kInfosForSelector0 = 768;
constexpr uint16_t kEditDataSize = 16;
constexpr uint16_t kObjectFlags = 1;
constexpr uint8_t kObjectByte = 100;
constexpr uint16_t kObjectFlags2 = 0;
constexpr uint32_t kIdentifier = 0x83AD46BC;
constexpr uint16_t kInfoVersion = 1;
}  // namespace

extern "C" int32_t KINEMO_STDCALL DllMain(HINSTANCE instance, uint32_t reason, void* reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) moduleHandle = instance;
    return 1;
}

extern "C" uint32_t KINEMO_STDCALL GetInfos(uint32_t selector) {
    return selector == 0 ? kInfosForSelector0 : 0;
}

// Field by field, in the host's order; byte 23 belongs to the host.
extern "C" int16_t KINEMO_STDCALL GetRunObjectInfos(uint32_t unused, RunInfos* infos) {
    (void)unused;
    infos->conditionRoutines = hostRef(conditionRoutines);
    infos->actionRoutines = hostRef(actionRoutines);
    infos->expressionRoutines = hostRef(expressionRoutines);
    infos->conditionCount = kConditionCount;
    infos->actionCount = kActionCount;
    infos->expressionCount = kExpressionCount;
    infos->editDataSize = kEditDataSize;
    infos->objectFlags = kObjectFlags;
    infos->objectByte = kObjectByte;
    infos->objectFlags2 = kObjectFlags2;
    infos->identifier = kIdentifier;
    infos->infoVersion = kInfoVersion;
    return 1;
}
