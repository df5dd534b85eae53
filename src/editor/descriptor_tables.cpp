// The condition, action and expression descriptor tables, read in place by
// the host, laid out from the event lists, and the scans over them.
#include <array>
#include <cstddef>

#include "editor/descriptors.h"
#include "host/event_codes.h"
#include "host/resource_ids.h"

namespace kinemo {
// Never defined and not constexpr: reached while building a table, it stops the build.
void malformedDescriptorRows();

namespace {

// One row of an event list: its parameter types and its display string.
struct EventRow {
    int paramCount = 0;
    int16_t types[4] = {};
    const char* display = "";
};

// More than four parameters, or a display string naming a parameter the row
// does not have (or leaving its last one out), stops the build.
consteval EventRow row(const char* display, auto... types) {
    if constexpr (sizeof...(types) > 4) malformedDescriptorRows();
    EventRow r{static_cast<int>(sizeof...(types)), {static_cast<int16_t>(types)...}, display};
    const int named = namedParamCount(display);
    if (named > r.paramCount || (named != 0 && named < r.paramCount)) malformedDescriptorRows();
    return r;
}

#define KINEMO_ROW(name, ...) row(__VA_ARGS__),
#define KINEMO_EXPRESSION_ROW(name, guard, ...) row(__VA_ARGS__),
constexpr EventRow conditionRows[] = {KINEMO_CONDITIONS(KINEMO_ROW)};
constexpr EventRow actionRows[] = {KINEMO_ACTIONS(KINEMO_ROW)};
constexpr EventRow expressionRows[] = {KINEMO_EXPRESSIONS(KINEMO_EXPRESSION_ROW)};
#undef KINEMO_ROW
#undef KINEMO_EXPRESSION_ROW

template <size_t RowCount>
consteval size_t wordsOf(const EventRow (&rows)[RowCount]) {
    size_t words = 0;
    for (const EventRow& r : rows) words += kRowParamTypes + 2 * static_cast<size_t>(r.paramCount);
    return words;
}

// Each row laid out as menuBase + step * code, stringBase + step * code, the
// code, the family's flags, the count, the types and a 0 title for each.
template <size_t RowCount, size_t Words>
consteval std::array<int16_t, Words> descriptorWords(const EventRow (&rows)[RowCount], int menuBase, int stringBase,
                                                     int step, int flags) {
    std::array<int16_t, Words> out{};
    size_t to = 0;
    for (size_t code = 0; code < RowCount; ++code) {
        const int c = static_cast<int>(code);
        out[to++] = static_cast<int16_t>(menuBase + step * c);
        out[to++] = static_cast<int16_t>(stringBase + step * c);
        out[to++] = static_cast<int16_t>(c);
        out[to++] = static_cast<int16_t>(flags);
        out[to++] = static_cast<int16_t>(rows[code].paramCount);
        for (int i = 0; i < rows[code].paramCount; ++i) out[to++] = rows[code].types[i];
        for (int i = 0; i < rows[code].paramCount; ++i) out[to++] = 0;
    }
    return out;
}

constexpr auto conditionDescriptors = descriptorWords<ConditionCode::Count, wordsOf(conditionRows)>(
    conditionRows, KINEMO_CONDITION_MENU_BASE, KINEMO_CONDITION_STRING_BASE, KINEMO_CONDITION_STEP,
    KINEMO_CONDITION_FLAGS);
constexpr auto actionDescriptors = descriptorWords<ActionCode::Count, wordsOf(actionRows)>(
    actionRows, KINEMO_ACTION_MENU_BASE, KINEMO_ACTION_STRING_BASE, KINEMO_ACTION_STEP, KINEMO_ACTION_FLAGS);
constexpr auto expressionDescriptors = descriptorWords<ExpressionCode::Count, wordsOf(expressionRows)>(
    expressionRows, KINEMO_EXPRESSION_MENU_BASE, KINEMO_EXPRESSION_STRING_BASE, KINEMO_EXPRESSION_STEP,
    KINEMO_EXPRESSION_FLAGS);

}  // namespace

const DescriptorTable conditionTable = {conditionDescriptors.data(), ConditionCode::Count, KINEMO_MENU_CONDITIONS};
const DescriptorTable actionTable = {actionDescriptors.data(), ActionCode::Count, KINEMO_MENU_ACTIONS};
const DescriptorTable expressionTable = {expressionDescriptors.data(), ExpressionCode::Count,
                                         KINEMO_MENU_EXPRESSIONS};

const int16_t* findRowByCode(const DescriptorTable& table, int16_t code) {
    const int16_t* row = table.rows;
    for (int i = 0; i < table.rowCount; ++i, row += rowWords(row))
        if (row[kRowCode] == code) return row;
    return nullptr;
}

// At most rowCount rows are examined; the first matching menuId wins, so a
// separator that reuses a row's id resolves to that row.
int16_t codeFromMenuId(const DescriptorTable& table, int16_t menuId) {
    const int16_t* row = table.rows;
    for (int left = table.rowCount; left > 0; --left, row += rowWords(row))
        if (row[kRowMenuId] == menuId) return row[kRowCode];
    return -1;
}

}  // namespace kinemo
