#include "editor/edit_time.h"

#include "host/exports.h"
#include "platform/host_ref.h"
#include "platform/winapi.h"

namespace kinemo {
namespace {
constexpr uint32_t kMajorMinorMask = 0xFFFF0000;
constexpr uint32_t kLowestHostVersion = 0x01050000;
}  // namespace

bool hostVersionAllows(const HostEditServices* services) {
    if (services->getHostVersion == 0) return false;
    const uint32_t version = hostFn<HostVersionFn>(services->getHostVersion)();
    return (version & kMajorMinorMask) >= kLowestHostVersion;
}

void copyEmptyString(char* buffer, uint16_t size) {
    if (size != 0) buffer[0] = '\0';
}

void copyModuleString(uint32_t stringId, char* buffer, uint16_t size) {
    // LoadStringA treats a zero size as a request for a pointer, not a copy.
    if (size == 0) return;
    buffer[0] = '\0';
    LoadStringA(moduleHandle, stringId, buffer, size);
}

void copyMenuLabel(uint16_t templateId, uint16_t menuId, char* buffer, uint16_t size) {
    HMENU loaded = LoadMenuA(moduleHandle, MAKEINTRESOURCEA(templateId));
    if (loaded == nullptr) return;
    // A separator or an absent id has no label: the title is then empty.
    copyEmptyString(buffer, size);
    // A label that does not fit comes back without its terminating zero.
    const int copied = GetMenuStringA(loaded, menuId, buffer, size, MF_BYCOMMAND);
    if (size != 0 && copied >= size - 1) buffer[size - 1] = '\0';
    DestroyMenu(loaded);
}

}  // namespace kinemo
