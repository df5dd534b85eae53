// Resources a module instance serves, by numeric type and name. The native
// build registers its embedded .res; the emulated host registers the DLL's
// own resource section. Both are then served by the same stand-ins.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/winapi.h"

namespace platform {

struct ResourceEntry {
    uint32_t type;  // RT_* number
    uint32_t name;  // numeric id
    uint16_t language;
    std::vector<uint8_t> data;
};

void registerModuleResources(HINSTANCE module, std::vector<ResourceEntry> entries);

}  // namespace platform

// The instance handle the native build is "attached" with; resource look-ups
// through it are served from the embedded .res.
HINSTANCE nativeModuleHandle();
