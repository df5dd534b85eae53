// The condition, action and expression descriptor tables, read in place by
// the host, and the scans over them. Rows are written from their flags on;
// the menu command, string id and code in front of each follow from its code.
#include <array>
#include <cstddef>

#include "editor/descriptors.h"
#include "host/event_codes.h"
#include "host/resource_ids.h"

// Never defined and not constexpr: reached while building a table, it stops the build.
void malformedDescriptorRows();

namespace {

// Action parameters: a number the host evaluates, or an object the author picks.
constexpr int16_t N = 22;
constexpr int16_t O = 1;
// Expression parameters: a value fetched through the host's callbacks.
constexpr int16_t P = 1;

constexpr int16_t kConditionFlags = 0x0200;
constexpr int16_t E = 0x0002;  // every expression returns a float

// Each row: flags, paramCount, then paramCount types and paramCount titles.
constexpr int16_t conditionRows[] = {
    kConditionFlags, 0,  // Is Paused
};

constexpr int16_t actionRows[] = {
    0, 1, N, 0,        // Set Angle %0°
    0, 1, N, 0,        // Set Speed %0
    0, 1, O, 0,        // Set Object %0
    0, 1, N, 0,        // Set Gravity Strength %0
    0, 1, N, 0,        // Set Gravity Angle %0°
    0, 1, N, 0,        // Set X to %0
    0, 1, N, 0,        // Set Y to %0
    0, 2, N, N, 0, 0,  // Set Position (%0, %1)
    0, 1, N, 0,        // Set Minimum Speed %0
    0, 1, N, 0,        // Set Maximum Speed %0
    0, 1, N, 0,        // Set X Speed %0
    0, 1, N, 0,        // Set Y Speed %0
    0, 1, O, 0,        // Set Kinemo Towards %0
    0, 1, O, 0,        // Set Gravity Towards %0
    0, 2, N, N, 0, 0,  // Set Kinemo Towards (%0, %1)
    0, 2, N, N, 0, 0,  // Set Gravity Towards (%0, %1)
    0, 0,              // Wrap Mode
    0, 0,              // Bounce Mode
    0, 0,              // No Mode
    0, 1, N, 0,        // Set Bounce Coefficient %0
    0, 0,              // Pause Kinemo
    0, 0,              // Resume Kinemo
    0, 1, N, 0,        // Bounce, Plane Angle %0
    0, 2, N, O, 0, 0,  // Move %0 Towards %1
    0, 2, N, O, 0, 0,  // Directional Speed %0, (%1)
    0, 2, N, N, 0, 0,  // Directional Speed %0, (%1°)
    0, 2, N, N, 0, 0,  // Move %0 at %1°
    0, 2, N, O, 0, 0,  // Rotate %0° towards %1
    0, 2, N, N, 0, 0,  // Rotate %0° towards %1°
};

constexpr int16_t expressionRows[] = {
    E, 0,                          // GetAngle(
    E, 0,                          // GetSpeed(
    E, 0,                          // GetX(
    E, 0,                          // GetY(
    E, 0,                          // GetXSpeed(
    E, 0,                          // GetYSpeed(
    E, 0,                          // GetGravityStrength(
    E, 0,                          // GetGravityAngle(
    E, 0,                          // GetMaxSpeed(
    E, 0,                          // GetMinSpeed(
    E, 0,                          // GetBounceCoe(
    E, 2, P, P, 0, 0,              // GetDist(
    E, 2, P, P, 0, 0,              // GetAng(
    E, 4, P, P, P, P, 0, 0, 0, 0,  // GetDistPoints(
    E, 4, P, P, P, P, 0, 0, 0, 0,  // GetAngPoints(
};

constexpr size_t kIdWords = kRowFlags;  // menuId, stringId and code lead each row

// The rows with menuBase + step * code, stringBase + step * code and the code
// in front. Rows that do not chain exactly to the end of their array, or have
// more than four parameters, stop the build.
template <int RowCount, size_t Words>
consteval std::array<int16_t, Words + kIdWords * RowCount> withIds(const int16_t (&rows)[Words], int menuBase,
                                                                   int stringBase, int step) {
    std::array<int16_t, Words + kIdWords * RowCount> out{};
    size_t from = 0;
    size_t to = 0;
    for (int code = 0; code < RowCount; ++code) {
        out[to++] = static_cast<int16_t>(menuBase + step * code);
        out[to++] = static_cast<int16_t>(stringBase + step * code);
        out[to++] = static_cast<int16_t>(code);
        const int16_t paramCount = rows[from + 1];
        if (paramCount < 0 || paramCount > 4) malformedDescriptorRows();
        const size_t words = 2 + 2 * static_cast<size_t>(paramCount);
        for (size_t i = 0; i < words; ++i) out[to++] = rows[from + i];
        from += words;
    }
    if (from != Words) malformedDescriptorRows();
    return out;
}

constexpr auto conditionDescriptors = withIds<ConditionCode::Count>(
    conditionRows, KINEMO_CONDITION_MENU_BASE, KINEMO_CONDITION_STRING_BASE, KINEMO_CONDITION_STEP);
constexpr auto actionDescriptors = withIds<ActionCode::Count>(actionRows, KINEMO_ACTION_MENU_BASE,
                                                              KINEMO_ACTION_STRING_BASE, KINEMO_ACTION_STEP);
constexpr auto expressionDescriptors = withIds<ExpressionCode::Count>(
    expressionRows, KINEMO_EXPRESSION_MENU_BASE, KINEMO_EXPRESSION_STRING_BASE, KINEMO_EXPRESSION_STEP);

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
