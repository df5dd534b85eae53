// The condition, action and expression descriptor tables, read in place by
// the host. Each row: menuId, stringId, code, flags, paramCount, types, titles.
#include "editor/event_descriptor.h"

namespace {

// Action parameters: a number the host evaluates, or an object the author picks.
constexpr int16_t N = 22;
constexpr int16_t O = 1;
// Expression parameters: a value fetched through the host's callbacks.
constexpr int16_t P = 1;

constexpr int16_t kConditionFlags = 0x0200;
constexpr int16_t kExpressionFlags = 0x0002;  // every expression returns a float

constexpr uint16_t kActionMenuTemplate = 20000;
constexpr uint16_t kConditionMenuTemplate = 20001;
constexpr uint16_t kExpressionMenuTemplate = 20002;

constexpr int16_t conditionDescriptors[] = {
    26000, 6000, 0, kConditionFlags, 0,  // Is Paused
};

constexpr int16_t actionDescriptors[] = {
    25000, 5000, 0, 0, 1, N, 0,           // Set Angle %0°
    25001, 5001, 1, 0, 1, N, 0,           // Set Speed %0
    25002, 5002, 2, 0, 1, O, 0,           // Set Object %0
    25003, 5003, 3, 0, 1, N, 0,           // Set Gravity Strength %0
    25004, 5004, 4, 0, 1, N, 0,           // Set Gravity Angle %0°
    25005, 5005, 5, 0, 1, N, 0,           // Set X to %0
    25006, 5006, 6, 0, 1, N, 0,           // Set Y to %0
    25007, 5007, 7, 0, 2, N, N, 0, 0,     // Set Position (%0, %1)
    25008, 5008, 8, 0, 1, N, 0,           // Set Minimum Speed %0
    25009, 5009, 9, 0, 1, N, 0,           // Set Maximum Speed %0
    25010, 5010, 10, 0, 1, N, 0,          // Set X Speed %0
    25011, 5011, 11, 0, 1, N, 0,          // Set Y Speed %0
    25012, 5012, 12, 0, 1, O, 0,          // Set Kinemo Towards %0
    25013, 5013, 13, 0, 1, O, 0,          // Set Gravity Towards %0
    25014, 5014, 14, 0, 2, N, N, 0, 0,    // Set Kinemo Towards (%0, %1)
    25015, 5015, 15, 0, 2, N, N, 0, 0,    // Set Gravity Towards (%0, %1)
    25016, 5016, 16, 0, 0,                // Wrap Mode
    25017, 5017, 17, 0, 0,                // Bounce Mode
    25018, 5018, 18, 0, 0,                // No Mode
    25019, 5019, 19, 0, 1, N, 0,          // Set Bounce Coefficient %0
    25020, 5020, 20, 0, 0,                // Pause Kinemo
    25021, 5021, 21, 0, 0,                // Resume Kinemo
    25022, 5022, 22, 0, 1, N, 0,          // Bounce, Plane Angle %0
    25023, 5023, 23, 0, 2, N, O, 0, 0,    // Move %0 Towards %1
    25024, 5024, 24, 0, 2, N, O, 0, 0,    // Directional Speed %0, (%1)
    25025, 5025, 25, 0, 2, N, N, 0, 0,    // Directional Speed %0, (%1°)
    25026, 5026, 26, 0, 2, N, N, 0, 0,    // Move %0 at %1°
    25027, 5027, 27, 0, 2, N, O, 0, 0,    // Rotate %0° towards %1
    25028, 5028, 28, 0, 2, N, N, 0, 0,    // Rotate %0° towards %1°
};

constexpr int16_t E = kExpressionFlags;
constexpr int16_t expressionDescriptors[] = {
    27000, 7000, 0, E, 0,                          // GetAngle(
    27010, 7010, 1, E, 0,                          // GetSpeed(
    27020, 7020, 2, E, 0,                          // GetX(
    27030, 7030, 3, E, 0,                          // GetY(
    27040, 7040, 4, E, 0,                          // GetXSpeed(
    27050, 7050, 5, E, 0,                          // GetYSpeed(
    27060, 7060, 6, E, 0,                          // GetGravityStrength(
    27070, 7070, 7, E, 0,                          // GetGravityAngle(
    27080, 7080, 8, E, 0,                          // GetMaxSpeed(
    27090, 7090, 9, E, 0,                          // GetMinSpeed(
    27100, 7100, 10, E, 0,                         // GetBounceCoe(
    27110, 7110, 11, E, 2, P, P, 0, 0,             // GetDist(
    27120, 7120, 12, E, 2, P, P, 0, 0,             // GetAng(
    27130, 7130, 13, E, 4, P, P, P, P, 0, 0, 0, 0, // GetDistPoints(
    27140, 7140, 14, E, 4, P, P, P, P, 0, 0, 0, 0, // GetAngPoints(
};

// Rows must chain exactly to the end of their array, with codes in index
// order and the id schemes the menus and string table are built on.
template <size_t Words>
constexpr bool rowsChain(const int16_t (&rows)[Words], int rowCount, int menuBase, int menuStep, int stringBase,
                         int stringStep, int16_t flags) {
    size_t at = 0;
    for (int code = 0; code < rowCount; ++code) {
        if (at + kRowParamTypes > Words) return false;
        const int16_t* row = rows + at;
        if (row[kRowCode] != code || row[kRowFlags] != flags) return false;
        if (row[kRowMenuId] != menuBase + menuStep * code) return false;
        if (row[kRowStringId] != stringBase + stringStep * code) return false;
        if (row[kRowParamCount] < 0 || row[kRowParamCount] > 4) return false;
        at += static_cast<size_t>(rowWords(row));
    }
    return at == Words;
}
static_assert(rowsChain(conditionDescriptors, 1, 26000, 0, 6000, 0, kConditionFlags));
static_assert(rowsChain(actionDescriptors, 29, 25000, 1, 5000, 1, 0));
static_assert(rowsChain(expressionDescriptors, 15, 27000, 10, 7000, 10, kExpressionFlags));

}  // namespace

const DescriptorTable conditionTable = {conditionDescriptors, 1, kConditionMenuTemplate};
const DescriptorTable actionTable = {actionDescriptors, 29, kActionMenuTemplate};
const DescriptorTable expressionTable = {expressionDescriptors, 15, kExpressionMenuTemplate};
