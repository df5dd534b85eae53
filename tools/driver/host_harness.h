// The host's side of every call, for any driven module: the records a host
// lays out (run header, target objects, instances, edit services), the
// routine tables, the parameter queue behind the fetch callbacks, and the
// facts of each event family.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "driver/module.h"
#include "host/event_codes.h"
#include "host/resource_ids.h"
#include "host/routines.h"

namespace hostrec {

namespace ActionCode = kinemo::ActionCode;
namespace ConditionCode = kinemo::ConditionCode;
namespace ExpressionCode = kinemo::ExpressionCode;
using kinemo::HostObject;
using kinemo::RunData;
using kinemo::RunInfos;

using kdrv::Addr;
using kdrv::Module;
using kdrv::RoutineKind;

// ---- Event families, in routine-kind order -------------------------------------

struct FamilyInfo {
    RoutineKind kind;
    std::string_view noun;
    int count;
    std::string_view menu, codeFromMenu, string, title, infos;  // entry points
    int16_t menuBase, menuStep, stringBase, stringStep;          // id = base + step * code
    uint16_t flags;                                              // every row's descriptor flags
};

inline constexpr std::array<FamilyInfo, 3> kFamilies{{
    {RoutineKind::Condition, "condition", ConditionCode::Count, "GetConditionMenu", "GetConditionCodeFromMenu",
     "GetConditionString", "GetConditionTitle", "GetConditionInfos", KINEMO_CONDITION_MENU_BASE, KINEMO_CONDITION_STEP,
     KINEMO_CONDITION_STRING_BASE, KINEMO_CONDITION_STEP, 0x0200},
    {RoutineKind::Action, "action", ActionCode::Count, "GetActionMenu", "GetActionCodeFromMenu", "GetActionString",
     "GetActionTitle", "GetActionInfos", KINEMO_ACTION_MENU_BASE, KINEMO_ACTION_STEP, KINEMO_ACTION_STRING_BASE,
     KINEMO_ACTION_STEP, 0x0000},
    {RoutineKind::Expression, "expression", ExpressionCode::Count, "GetExpressionMenu", "GetExpressionCodeFromMenu",
     "GetExpressionString", "GetExpressionTitle", "GetExpressionInfos", KINEMO_EXPRESSION_MENU_BASE,
     KINEMO_EXPRESSION_STEP, KINEMO_EXPRESSION_STRING_BASE, KINEMO_EXPRESSION_STEP, 0x0002},
}};

inline const FamilyInfo& family(RoutineKind kind) { return kFamilies[static_cast<size_t>(kind)]; }

// ---- The host's records, at the byte offsets the host documents -------------------
// Written down here, not taken from the module's declarations: the harness
// plays the host, so a record the module lays out wrongly must disagree with it.

namespace layout {
// HostObjectHeader, the first bytes of an instance record.
constexpr uint32_t kRunHeader = 6;     // unaligned 32-bit address of the HostRunHeader
constexpr uint32_t kResultFlags = 98;  // u16
constexpr uint16_t kFloatResultFlag = 0x4000;
constexpr uint32_t kObjectHeaderSize = 288;
constexpr uint32_t kInstanceSize = 360;
// HostRunHeader
constexpr uint32_t kPlayfieldWidth = 148, kPlayfieldHeight = 150;  // i16
constexpr uint32_t kGetFirstParam = 800, kGetNextParam = 804;      // callbacks
constexpr uint32_t kRunHeaderSize = 808;
// HostObject
constexpr uint32_t kPosX = 62, kPosY = 66, kHotSpotX = 68, kHotSpotY = 70, kImageWidth = 72, kImageHeight = 74;  // i16
constexpr uint32_t kUpdateFlagA = 188, kUpdateFlagB = 189;  // u8
constexpr uint32_t kObjectSize = 190;
// HostEditServices
constexpr uint32_t kPathCallback = 580, kGetHostVersion = 636;  // callbacks
constexpr uint32_t kEditServicesSize = 640;
}  // namespace layout

// Little-endian fields of any record, at a byte offset.
template <class Field>
Field readField(Module& m, Addr record, uint32_t offset) {
    Field v;
    std::memcpy(&v, m.bytes(record) + offset, sizeof v);
    return v;
}
template <class Field>
void writeField(Module& m, Addr record, uint32_t offset, Field value) {
    std::memcpy(m.bytes(record) + offset, &value, sizeof value);
}

// ---- Run-time records -------------------------------------------------------------

// A HostRunHeader with the playfield size; parameter callbacks unset.
Addr newRunHeader(Module& m, int16_t width = 640, int16_t height = 480);

struct ObjectShape {
    int16_t x = 0, y = 0, hotX = 0, hotY = 0, width = 32, height = 32;
};
void shapeObject(Module& m, Addr object, const ObjectShape& shape);
// A HostObject with its hot-spot position, hot spot and image size.
Addr newObject(Module& m, int16_t x, int16_t y, int16_t hotX = 0, int16_t hotY = 0, int16_t w = 32, int16_t h = 32);

Addr runHeaderOf(Module& m, Addr rd);
void attachRunHeader(Module& m, Addr rd, Addr runHeader);
// An instance record of `size` bytes whose header points at runHeader, after CreateRunObject.
Addr newInstance(Module& m, Addr runHeader, uint32_t size = layout::kInstanceSize);
// The instance's result flags, where expressions set the float bit.
uint16_t resultFlags(Module& m, Addr rd);
void setResultFlags(Module& m, Addr rd, uint16_t flags);

RunInfos runInfos(Module& m);

struct Routines {
    std::vector<Addr> conditions, actions, expressions;
    const std::vector<Addr>& of(RoutineKind kind) const;
};
Routines routines(Module& m);
Addr routine(Module& m, RoutineKind kind, int index);

// ---- Parameters an expression fetches --------------------------------------------

// Both fetch callbacks of the run header answer through `fetch`.
void installParamFetch(Module& m, Addr runHeader, kdrv::Callback fetch);

// Parameters handed out in order; 0 once they run out.
struct ParamQueue {
    std::vector<uint32_t> values;
    size_t next = 0;
};
std::shared_ptr<ParamQueue> installParamQueue(Module& m, Addr runHeader);

// The handle a host passes to an expression; the module hands it back to the fetch callbacks.
constexpr uint32_t kParamHandle = 0x1234;

// Queues the parameters, then calls the expression routine.
uint32_t callExpression(Module& m, Addr routine, Addr rd, ParamQueue& queue, std::span<const uint32_t> params,
                        uint32_t handle = kParamHandle);

// ---- A stage: what a host keeps while frames run ---------------------------------

struct Stage {
    Module& m;
    Addr header;  // the run header every instance points at
    std::shared_ptr<ParamQueue> params;
    Routines routines;
    std::vector<Addr> objects, instances;  // as the caller adds them
};
Stage newStage(Module& m, int16_t width = 640, int16_t height = 480);
uint32_t callAction(Stage& s, Addr rd, int code, uint32_t p1, uint32_t p2);
uint32_t callCondition(Stage& s, Addr rd, uint32_t p1, uint32_t p2);
uint32_t callExpression(Stage& s, Addr rd, int code, std::span<const uint32_t> params, uint32_t handle = kParamHandle);

// ---- Calls by event code ------------------------------------------------------------

int16_t action(Module& m, Addr rd, int code, uint32_t p1 = 0, uint32_t p2 = 0);
uint32_t condition(Module& m, Addr rd, int code = 0);
// The parameters go through the fetch callbacks of the instance's run
// header, installed on first use.
uint32_t expression(Module& m, Addr rd, int code, std::initializer_list<uint32_t> params = {});
int16_t step(Module& m, Addr rd);

inline RunData& run(Module& m, Addr rd) { return *m.view<RunData>(rd); }
inline HostObject& object(Module& m, Addr obj) { return *m.view<HostObject>(obj); }

// ---- Edit services ----------------------------------------------------------------------

// Hosts older than 1.5 are refused the edit-time texts and menus.
constexpr uint32_t kRecentHost = 0x01050000;
constexpr uint32_t kOldHost = 0x0104FFFF;

Addr hostVersionCallback(Module& m, uint32_t version);
// A HostEditServices record; a zero slot stays null.
Addr newEditServices(Module& m, Addr versionCallback, Addr pathCallback = 0);

// Get*String(code) and Get*Title(code, parameter index) of a family into a
// buffer; GetExpressionTitle takes no parameter index.
void callString(Module& m, const FamilyInfo& f, Addr services, uint32_t code, Addr buffer, uint32_t size);
void callTitle(Module& m, const FamilyInfo& f, Addr services, uint32_t code, uint32_t param, Addr buffer, uint32_t size);

}  // namespace hostrec
