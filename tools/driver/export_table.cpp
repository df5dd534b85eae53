#include "driver/export_table.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "host/exports.h"
#include "platform/host_ref.h"

using kinemo::hostPtrAs;
using kinemo::hostRef;

namespace kdrv {
namespace {

// A 32-bit slot as the parameter's type: pointers are host references.
template <class T>
T fromSlot(uint32_t slot) {
    if constexpr (std::is_pointer_v<T>) return hostPtrAs<std::remove_pointer_t<T>>(slot);
    else return static_cast<T>(slot);
}

// A result as the host reads it from EAX: 16-bit results zero-extended,
// menus as their handle value, other pointers as host references.
template <class R>
uint32_t toSlot(R r) {
    if constexpr (std::is_same_v<R, HMENU>) return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r));
    else if constexpr (std::is_pointer_v<R>) return hostRef(r);
    else if constexpr (std::is_same_v<R, int16_t>) return static_cast<uint16_t>(r);
    else return static_cast<uint32_t>(r);
}

template <class T>
T fromSlot(uint32_t slot, const RefMapping& refs) {
    if constexpr (std::is_pointer_v<T>) return static_cast<T>(refs.toPointer(slot));
    else return static_cast<T>(slot);
}

template <class R>
uint32_t toSlot(R r, const RefMapping& refs) {
    if constexpr (std::is_same_v<R, HMENU>) return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r));
    else if constexpr (std::is_pointer_v<R>) return refs.toRef(r);
    else return toSlot(r);
}

template <class Fn>
struct Signature;

template <class R, class... A>
struct Signature<R (*)(A...)> {
    static constexpr uint8_t argCount = sizeof...(A);
    static constexpr ResultKind result = std::is_void_v<R>            ? ResultKind::None
                                         : std::is_same_v<R, int16_t> ? ResultKind::Bits16
                                                                      : ResultKind::Bits32;
    template <auto Fn>
    static uint32_t callNative(const uint32_t* args) {
        return [args]<size_t... I>(std::index_sequence<I...>) -> uint32_t {
            if constexpr (std::is_void_v<R>) {
                Fn(fromSlot<A>(args[I])...);
                return 0;
            } else {
                return toSlot(Fn(fromSlot<A>(args[I])...));
            }
        }(std::index_sequence_for<A...>{});
    }
    static uint32_t callLoaded(void* fn, const RefMapping& refs, const uint32_t* args) {
        // The DLL's entry points are stdcall where that differs (i686).
        using Entry = R(KINEMO_STDCALL*)(A...);
        const auto entry = reinterpret_cast<Entry>(fn);
        return [&]<size_t... I>(std::index_sequence<I...>) -> uint32_t {
            if constexpr (std::is_void_v<R>) {
                entry(fromSlot<A>(args[I], refs)...);
                return 0;
            } else {
                return toSlot(entry(fromSlot<A>(args[I], refs)...), refs);
            }
        }(std::index_sequence_for<A...>{});
    }
};

#if defined(_WIN32) && defined(__i386__)
// The declarations' own type there: stdcall.
template <class R, class... A>
struct Signature<R(KINEMO_STDCALL*)(A...)> : Signature<R (*)(A...)> {};
#endif

template <auto Fn>
constexpr ExportInfo exportRow(std::string_view name, uint16_t ordinal) {
    using S = Signature<decltype(Fn)>;
    return {name, ordinal, S::argCount, S::result, &S::template callNative<Fn>, &S::callLoaded};
}

#define ROW(fn, ordinal) exportRow<&kinemo::fn>(#fn, ordinal)
constexpr ExportInfo kExports[] = {
    ROW(GetInfos, 2),
    ROW(LoadObject, 6),
    ROW(UnloadObject, 7),
    ROW(PutObject, 8),
    ROW(RemoveObject, 9),
    ROW(MakeIcon, 10),
    ROW(AppendPopup, 12),
    ROW(SelectPopup, 13),
    ROW(CreateObject, 14),
    ROW(ModifyObject, 15),
    ROW(RebuildExt, 16),
    ROW(EndModifyObject, 17),
    ROW(GetObjectRect, 19),
    ROW(EditorDisplay, 20),
    ROW(IsTransparent, 21),
    ROW(PrepareToWriteObject, 22),
    ROW(UpdateFileNames, 23),
    ROW(EnumElts, 24),
    ROW(Initialize, 25),
    ROW(Free, 26),
    ROW(UsesFile, 30),
    ROW(CreateFromFile, 31),
    ROW(GetObjInfos, 36),
    ROW(CreateRunObject, 50),
    ROW(DestroyRunObject, 51),
    ROW(HandleRunObject, 52),
    ROW(DisplayRunObject, 53),
    ROW(PauseRunObject, 57),
    ROW(ContinueRunObject, 58),
    ROW(GetRunObjectInfos, 59),
    ROW(GetConditionMenu, 60),
    ROW(GetActionMenu, 61),
    ROW(GetExpressionMenu, 62),
    ROW(GetConditionCodeFromMenu, 63),
    ROW(GetActionCodeFromMenu, 64),
    ROW(GetExpressionCodeFromMenu, 65),
    ROW(GetConditionString, 66),
    ROW(GetActionString, 67),
    ROW(GetExpressionString, 68),
    ROW(GetConditionTitle, 72),
    ROW(GetActionTitle, 73),
    ROW(GetExpressionTitle, 74),
    ROW(GetConditionInfos, 75),
    ROW(GetActionInfos, 76),
    ROW(GetExpressionInfos, 77),
    ROW(UpdateEditStructure, 78),
    ROW(GetRunObjectDataSize, 80),
};
#undef ROW

constexpr bool ordinalsSpan(uint16_t base, uint16_t slots) {
    uint16_t low = kExports[0].ordinal, high = low;
    for (const ExportInfo& e : kExports) {
        low = std::min(low, e.ordinal);
        high = std::max(high, e.ordinal);
    }
    return low == base && high - low + 1 == slots;
}
static_assert(ordinalsSpan(kOrdinalBase, kOrdinalSlots), "the ordinal range follows the rows");

}  // namespace

std::span<const ExportInfo> exportTable() { return kExports; }

const ExportInfo* findExport(std::string_view name) {
    for (const auto& e : kExports)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace kdrv
