#include "driver/export_table.h"

#include <array>

namespace kdrv {
namespace {
using R = ResultKind;
constexpr std::array<ExportInfo, 47> kExports{{
    {"GetInfos", 2, 1, R::Bits32},
    {"LoadObject", 6, 4, R::Bits32},
    {"UnloadObject", 7, 3, R::None},
    {"PutObject", 8, 4, R::None},
    {"RemoveObject", 9, 4, R::None},
    {"MakeIcon", 10, 5, R::Bits32},
    {"AppendPopup", 12, 5, R::None},
    {"SelectPopup", 13, 7, R::Bits32},
    {"CreateObject", 14, 3, R::Bits32},
    {"ModifyObject", 15, 6, R::Bits32},
    {"RebuildExt", 16, 6, R::Bits32},
    {"EndModifyObject", 17, 3, R::None},
    {"GetObjectRect", 19, 4, R::None},
    {"EditorDisplay", 20, 5, R::None},
    {"IsTransparent", 21, 5, R::Bits32},
    {"PrepareToWriteObject", 22, 3, R::None},
    {"UpdateFileNames", 23, 4, R::None},
    {"EnumElts", 24, 6, R::Bits32},
    {"Initialize", 25, 2, R::Bits32},
    {"Free", 26, 1, R::Bits32},
    {"UsesFile", 30, 1, R::Bits32},
    {"CreateFromFile", 31, 2, R::None},
    {"GetObjInfos", 36, 7, R::None},
    {"CreateRunObject", 50, 3, R::Bits16},
    {"DestroyRunObject", 51, 2, R::Bits16},
    {"HandleRunObject", 52, 1, R::Bits16},
    {"DisplayRunObject", 53, 1, R::Bits16},
    {"PauseRunObject", 57, 1, R::Bits16},
    {"ContinueRunObject", 58, 1, R::Bits16},
    {"GetRunObjectInfos", 59, 2, R::Bits16},
    {"GetConditionMenu", 60, 3, R::Bits32},
    {"GetActionMenu", 61, 3, R::Bits32},
    {"GetExpressionMenu", 62, 3, R::Bits32},
    {"GetConditionCodeFromMenu", 63, 2, R::Bits16},
    {"GetActionCodeFromMenu", 64, 2, R::Bits16},
    {"GetExpressionCodeFromMenu", 65, 2, R::Bits16},
    {"GetConditionString", 66, 4, R::None},
    {"GetActionString", 67, 4, R::None},
    {"GetExpressionString", 68, 4, R::None},
    {"GetConditionTitle", 72, 5, R::None},
    {"GetActionTitle", 73, 5, R::None},
    {"GetExpressionTitle", 74, 4, R::None},
    {"GetConditionInfos", 75, 2, R::Bits32},
    {"GetActionInfos", 76, 2, R::Bits32},
    {"GetExpressionInfos", 77, 2, R::Bits32},
    {"UpdateEditStructure", 78, 2, R::Bits32},
    {"GetRunObjectDataSize", 80, 2, R::Bits16},
}};
}  // namespace

std::span<const ExportInfo> exportTable() { return kExports; }

const ExportInfo* findExport(std::string_view name) {
    for (const auto& e : kExports)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace kdrv
