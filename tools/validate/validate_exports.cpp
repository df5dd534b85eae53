// Every entry point called with its own argument count (the emulated host
// also checks that each one removes exactly its arguments from the stack),
// with the result the host relies on.
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>

#include "driver/export_table.h"
#include "host/routines.h"
#include "validate/validate.h"
#include "standins/standin.h"

namespace ActionCode = kinemo::ActionCode;
namespace ConditionCode = kinemo::ConditionCode;
namespace ExpressionCode = kinemo::ExpressionCode;
using kinemo::HostRunHeader;
using kinemo::RunData;
using kinemo::RunInfos;

namespace kvalidate {
namespace {

using Args = std::vector<uint32_t>;

// A value no entry point may read: arguments the module ignores get it.
constexpr uint32_t kIgnored = 0xDEADBEEF;

struct EntryCall {
    std::string_view name;
    std::function<Args(Host&)> args;
    std::optional<uint32_t> result;  // 16-bit results zero-extended
    bool returnsMenu = false;
    bool opensDialog = false;  // the About box, through the support library
};

// Every buffer has room past its end, so a module that overruns it is caught
// by the text checks rather than corrupting the host's memory here.
kdrv::Addr block(Host& h, size_t bytes) { return h.m.alloc(static_cast<uint32_t>(bytes + kCanaryBytes)); }

kdrv::Addr editData(Host& h) { return block(h, 16); }

kdrv::Addr rect(Host& h) { return block(h, 16); }

kdrv::Addr runData(Host& h) {
    kdrv::Addr rd = block(h, sizeof(RunData));
    kdrv::Addr header = block(h, sizeof(HostRunHeader));
    hostrec::attachRunHeader(h.m, rd, header);
    return rd;
}

std::vector<EntryCall> entryCalls() {
    const uint32_t x = kIgnored;
    return {
        {"Initialize", [=](Host&) { return Args{x, x}; }, 0},
        {"Free", [=](Host&) { return Args{x}; }, 0},
        {"GetInfos", [](Host&) { return Args{0}; }, 768},
        {"GetObjInfos",
         [=](Host& h) {
             return Args{h.services, x, block(h, kTextBytes), block(h, kTextBytes), block(h, kTextBytes),
                         block(h, kTextBytes), block(h, kTextBytes)};
         },
         std::nullopt},
        {"GetRunObjectInfos", [=](Host& h) { return Args{x, block(h, sizeof(RunInfos))}; }, 1},
        {"LoadObject", [=](Host&) { return Args{x, x, x, x}; }, 0},
        {"UnloadObject", [=](Host&) { return Args{x, x, x}; }, std::nullopt},
        {"UpdateFileNames", [=](Host&) { return Args{x, x, x, x}; }, std::nullopt},
        {"UsesFile", [=](Host&) { return Args{x}; }, 0},
        {"CreateFromFile", [](Host& h) { return Args{h.services, editData(h)}; }, std::nullopt},
        {"PutObject", [=](Host&) { return Args{x, x, x, x}; }, std::nullopt},
        {"RemoveObject", [=](Host&) { return Args{x, x, x, x}; }, std::nullopt},
        {"UpdateEditStructure", [=](Host&) { return Args{x, x}; }, 0},
        {"PrepareToWriteObject", [=](Host&) { return Args{x, x, x}; }, std::nullopt},
        {"EnumElts", [=](Host&) { return Args{x, x, x, x, x, x}; }, 0},
        {"MakeIcon", [=](Host& h) { return Args{h.services, block(h, kIconBytes), x, x, x}; }, 0},
        {"AppendPopup", [=](Host&) { return Args{x, x, x, x, x}; }, std::nullopt},
        {"SelectPopup", [=](Host& h) { return Args{h.services, kAboutCommand, x, x, editData(h), x, x}; }, 4, false, true},
        {"CreateObject", [=](Host& h) { return Args{h.services, x, editData(h)}; }, 0, false, true},
        {"ModifyObject", [=](Host& h) { return Args{h.services, editData(h), x, x, 0, x}; }, 0},
        {"RebuildExt", [=](Host&) { return Args{x, x, x, x, x, x}; }, 0},
        {"EndModifyObject", [=](Host&) { return Args{x, x, x}; }, std::nullopt},
        {"GetObjectRect", [=](Host& h) { return Args{h.services, rect(h), x, editData(h)}; }, std::nullopt},
        {"EditorDisplay", [=](Host& h) { return Args{h.services, x, x, x, rect(h)}; }, std::nullopt},
        {"IsTransparent", [=](Host&) { return Args{x, x, x, x, x}; }, 0},
        {"GetConditionMenu", [=](Host& h) { return Args{h.services, x, x}; }, std::nullopt, true},
        {"GetActionMenu", [=](Host& h) { return Args{h.services, x, x}; }, std::nullopt, true},
        {"GetExpressionMenu", [=](Host& h) { return Args{h.services, x, x}; }, std::nullopt, true},
        {"GetConditionCodeFromMenu", [](Host& h) { return Args{h.services, KINEMO_CONDITION_MENU_BASE + ConditionCode::IsPaused}; }, 0},
        {"GetActionCodeFromMenu",
         [](Host& h) { return Args{h.services, KINEMO_ACTION_MENU_BASE + KINEMO_ACTION_STEP * ActionCode::RotateTowardsAngle}; },
         ActionCode::RotateTowardsAngle},
        {"GetExpressionCodeFromMenu",
         [](Host& h) { return Args{h.services, KINEMO_EXPRESSION_MENU_BASE + KINEMO_EXPRESSION_STEP * ExpressionCode::GetAngPoints}; },
         ExpressionCode::GetAngPoints},
        {"GetConditionString", [](Host& h) { return Args{h.services, ConditionCode::IsPaused, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetActionString", [](Host& h) { return Args{h.services, ActionCode::RotateTowardsAngle, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetExpressionString", [](Host& h) { return Args{h.services, ExpressionCode::GetAngPoints, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetConditionTitle", [](Host& h) { return Args{h.services, 0, 0, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetActionTitle", [](Host& h) { return Args{h.services, ActionCode::MoveTowardsObject, 1, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetExpressionTitle", [](Host& h) { return Args{h.services, ExpressionCode::GetDistPoints, block(h, kTextBytes), kTextBytes}; }, std::nullopt},
        {"GetConditionInfos", [](Host& h) { return Args{h.services, 0}; }, std::nullopt},
        {"GetActionInfos", [](Host& h) { return Args{h.services, ActionCode::RotateTowardsAngle}; }, std::nullopt},
        {"GetExpressionInfos", [](Host& h) { return Args{h.services, ExpressionCode::GetAngPoints}; }, std::nullopt},
        {"GetRunObjectDataSize", [=](Host&) { return Args{x, x}; }, 360},
        {"CreateRunObject", [=](Host& h) { return Args{runData(h), x, x}; }, 0},
        {"DestroyRunObject", [=](Host&) { return Args{x, x}; }, 0},
        {"HandleRunObject", [=](Host& h) { return Args{runData(h)}; }, 2},
        {"DisplayRunObject", [=](Host&) { return Args{x}; }, 0},
        {"PauseRunObject", [=](Host&) { return Args{x}; }, 0},
        {"ContinueRunObject", [=](Host&) { return Args{x}; }, 0},
    };
}

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

}  // namespace

void checkEntryPoints(Host& host, Report& report) {
    const std::vector<EntryCall> calls = entryCalls();
    std::vector<std::string> uncovered;
    for (const kdrv::ExportInfo& e : kdrv::exportTable()) {
        bool covered = false;
        for (const EntryCall& c : calls) covered = covered || c.name == e.name;
        if (!covered) uncovered.push_back(std::string(e.name) + " is not exercised");
    }
    report.expect("every exported entry point exercised", uncovered);

    standin::scriptDialog(standin::DialogOutcome::Ok);
    for (const EntryCall& c : calls) {
        const kdrv::ExportInfo* info = kdrv::findExport(c.name);
        const int argCount = info ? info->argCount : 0;
        const std::string check = "entry point " + std::string(c.name) + " (" + std::to_string(argCount) +
                                  (argCount == 1 ? " argument)" : " arguments)");
        if (c.opensDialog && !host.unobservedLibrary.empty()) {
            report.skip(check, "opens the About box, which " + host.unobservedLibrary + " would show and wait on");
            continue;
        }
        try {
            if (info == nullptr) throw std::runtime_error("not in the export table");
            const Args args = c.args(host);
            if (args.size() != info->argCount) throw std::runtime_error("the check passes the wrong argument count");
            const uint32_t result = host.m.call(c.name, args);
            if (c.returnsMenu) {
                if (result == 0) throw std::runtime_error("no menu for a recent host");
                standin::destroyMenu(result);
            } else if (c.result && result != *c.result) {
                throw std::runtime_error("returned " + hex(result) + ", expected " + hex(*c.result));
            }
            report.pass(check);
        } catch (const std::exception& e) {
            report.fail(check, e.what());
        }
    }
}

}  // namespace kvalidate
