// The popup menus from which the author picks a condition, action or expression.
#include "editor/event_descriptor.h"
#include "editor/menu_copy.h"
#include "editor/version_gate.h"
#include "host/exports.h"

namespace {
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
