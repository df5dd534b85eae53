#include "editor/text_copy.h"

#include "host/exports.h"
#include "platform/winapi.h"

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
    GetMenuStringA(loaded, menuId, buffer, size, MF_BYCOMMAND);
    DestroyMenu(loaded);
}
