// The event editor's questions about an event: its record, the event a menu
// command picks, a parameter's title and the event's display string.
#include "editor/descriptors.h"
#include "editor/edit_time.h"
#include "host/exports.h"

namespace kinemo {
namespace {

// Codes, ids, indexes and sizes arrive in the low half of 32-bit slots.
int16_t low16(uint32_t v) { return static_cast<int16_t>(v); }
uint16_t lowU16(uint32_t v) { return static_cast<uint16_t>(v); }

// The host is handed the row from its code word on.
const int16_t* infosOf(const DescriptorTable& table, uint32_t code) {
    const int16_t* row = findRowByCode(table, low16(code));
    return row == nullptr ? nullptr : row + kRowCode;
}

void copyTitle(const DescriptorTable& table, uint32_t code, uint32_t param, char* buffer, uint32_t size) {
    const int16_t* row = findRowByCode(table, low16(code));
    if (row == nullptr) return;
    const uint16_t index = lowU16(param);
    if (index >= row[kRowParamCount]) {
        copyEmptyString(buffer, lowU16(size));
        return;
    }
    const int16_t titleId = rowParamTitle(row, index);
    if (titleId != 0) {
        copyModuleString(static_cast<uint16_t>(titleId), buffer, lowU16(size));
        return;
    }
    copyMenuLabel(table.menuTemplate, static_cast<uint16_t>(row[kRowMenuId]), buffer, lowU16(size));
}

void copyDisplayString(const HostEditServices* services, const DescriptorTable& table, uint32_t code, char* buffer,
                       uint32_t size) {
    if (!hostVersionAllows(services)) return;
    const int16_t* row = findRowByCode(table, low16(code));
    if (row == nullptr) return;
    copyModuleString(static_cast<uint16_t>(row[kRowStringId]), buffer, lowU16(size));
}

}  // namespace

extern "C" {

const int16_t* KINEMO_STDCALL GetConditionInfos(HostEditServices* services, uint32_t code) {
    (void)services;
    return infosOf(conditionTable, code);
}
const int16_t* KINEMO_STDCALL GetActionInfos(HostEditServices* services, uint32_t code) {
    (void)services;
    return infosOf(actionTable, code);
}
const int16_t* KINEMO_STDCALL GetExpressionInfos(HostEditServices* services, uint32_t code) {
    (void)services;
    return infosOf(expressionTable, code);
}

int16_t KINEMO_STDCALL GetConditionCodeFromMenu(HostEditServices* services, uint32_t menuId) {
    (void)services;
    return codeFromMenuId(conditionTable, low16(menuId));
}
int16_t KINEMO_STDCALL GetActionCodeFromMenu(HostEditServices* services, uint32_t menuId) {
    (void)services;
    return codeFromMenuId(actionTable, low16(menuId));
}
int16_t KINEMO_STDCALL GetExpressionCodeFromMenu(HostEditServices* services, uint32_t menuId) {
    (void)services;
    return codeFromMenuId(expressionTable, low16(menuId));
}

void KINEMO_STDCALL GetConditionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer,
                                      uint32_t size) {
    (void)services;
    copyTitle(conditionTable, code, param, buffer, size);
}
void KINEMO_STDCALL GetActionTitle(HostEditServices* services, uint32_t code, uint32_t param, char* buffer,
                                   uint32_t size) {
    (void)services;
    copyTitle(actionTable, code, param, buffer, size);
}
// Expressions have one title slot: the first parameter's.
void KINEMO_STDCALL GetExpressionTitle(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) {
    (void)services;
    copyTitle(expressionTable, code, 0, buffer, size);
}

void KINEMO_STDCALL GetConditionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) {
    copyDisplayString(services, conditionTable, code, buffer, size);
}
void KINEMO_STDCALL GetActionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) {
    copyDisplayString(services, actionTable, code, buffer, size);
}
void KINEMO_STDCALL GetExpressionString(HostEditServices* services, uint32_t code, char* buffer, uint32_t size) {
    copyDisplayString(services, expressionTable, code, buffer, size);
}

}  // extern "C"

}  // namespace kinemo
