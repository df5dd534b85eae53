// The popup menus from which the author picks a condition, action or
// expression: fresh copies of the module's templates, which the host owns
// from then on.
#include "editor/descriptors.h"
#include "editor/edit_time.h"
#include "host/exports.h"
#include "platform/winapi.h"

namespace kinemo {
namespace {
constexpr int kLabelBufferSize = 80;
constexpr UINT kPopupItemId = 0xFFFFFFFF;  // what GetMenuItemID gives for a popup
constexpr UINT kBareSeparatorId = 0;

UINT_PTR menuAsItemId(HMENU menu) { return static_cast<UINT_PTR>(reinterpret_cast<uintptr_t>(menu)); }

void copyMenuItems(HMENU dest, HMENU source);

void appendPopupCopy(HMENU dest, HMENU sourcePopup, const char* label) {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) return;
    if (!AppendMenuA(dest, MF_POPUP, menuAsItemId(popup), label)) {
        DestroyMenu(popup);
        return;
    }
    copyMenuItems(popup, sourcePopup);
}

// Appends every item of source to dest, item for item, popups recursed.
void copyMenuItems(HMENU dest, HMENU source) {
    const int count = GetMenuItemCount(source);
    char* label = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, kLabelBufferSize));
    if (label == nullptr) return;
    for (int pos = 0; pos < count; ++pos) {
        const UINT id = GetMenuItemID(source, pos);
        if (id == kBareSeparatorId) {
            AppendMenuA(dest, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        GetMenuStringA(source, static_cast<UINT>(pos), label, kLabelBufferSize, MF_BYPOSITION);
        if (id == kPopupItemId) {
            appendPopupCopy(dest, GetSubMenu(source, pos), label);
            continue;
        }
        // The state carries the check, grey, disabled and separator bits over,
        // so a separator that has an id stays a separator with that id.
        AppendMenuA(dest, GetMenuState(source, static_cast<UINT>(pos), MF_BYPOSITION), id, label);
    }
    LocalFree(label);
}

// A new popup menu with the contents of the template's first popup, or null.
// The loaded template is destroyed whatever the outcome.
HMENU loadMenuCopy(uint16_t templateId) {
    HMENU loaded = LoadMenuA(moduleHandle, MAKEINTRESOURCEA(templateId));
    if (loaded == nullptr) return nullptr;
    HMENU source = GetSubMenu(loaded, 0);
    HMENU copy = source != nullptr ? CreatePopupMenu() : nullptr;
    if (copy != nullptr) copyMenuItems(copy, source);
    DestroyMenu(loaded);
    return copy;
}

HMENU menuFor(const HostEditServices* services, uint16_t templateId) {
    if (!hostVersionAllows(services)) return nullptr;
    return loadMenuCopy(templateId);
}
}  // namespace

extern "C" {
HMENU KINEMO_STDCALL GetConditionMenu(HostEditServices* services, uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    return menuFor(services, conditionTable.menuTemplate);
}
HMENU KINEMO_STDCALL GetActionMenu(HostEditServices* services, uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    return menuFor(services, actionTable.menuTemplate);
}
HMENU KINEMO_STDCALL GetExpressionMenu(HostEditServices* services, uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    return menuFor(services, expressionTable.menuTemplate);
}
}

}  // namespace kinemo
