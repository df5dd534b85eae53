#include "editor/version_gate.h"

#include "platform/host_ref.h"

namespace {
constexpr uint32_t kMajorMinorMask = 0xFFFF0000;
constexpr uint32_t kLowestHostVersion = 0x01050000;
}  // namespace

bool hostVersionAllows(const HostEditServices* services) {
    if (services->getHostVersion == 0) return false;
    const uint32_t version = hostFn<HostVersionFn>(services->getHostVersion)();
    return (version & kMajorMinorMask) >= kLowestHostVersion;
}
