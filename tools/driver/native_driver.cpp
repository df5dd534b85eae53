// The native build behind the driver interface: 32-bit arguments become
// pointers through the module's own host-reference mapping.
#include <array>
#include <map>
#include <stdexcept>

#include "driver/export_table.h"
#include "driver/module.h"
#include "host/exports.h"
#include "platform/host_ref.h"
#include "platform/native_module.h"

namespace kdrv {
namespace {

using Args = const uint32_t*;
using Adapter = uint32_t (*)(Args);

template <class T>
T* P(uint32_t ref) { return hostPtrAs<T>(ref); }
char* S(uint32_t ref) { return hostPtrAs<char>(ref); }
HostEditServices* E(uint32_t ref) { return hostPtrAs<HostEditServices>(ref); }
uint32_t u16(int16_t v) { return static_cast<uint16_t>(v); }
uint32_t menu(HMENU m) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m)); }

#define A(name, expr) {#name, [](Args a) -> uint32_t { (void)a; return expr; }}
#define V(name, expr) {#name, [](Args a) -> uint32_t { (void)a; expr; return 0; }}
const std::map<std::string_view, Adapter> kAdapters = {
    A(GetInfos, GetInfos(a[0])),
    A(LoadObject, LoadObject(a[0], a[1], a[2], a[3])),
    V(UnloadObject, UnloadObject(a[0], a[1], a[2])),
    V(PutObject, PutObject(a[0], a[1], a[2], a[3])),
    V(RemoveObject, RemoveObject(a[0], a[1], a[2], a[3])),
    A(MakeIcon, MakeIcon(E(a[0]), P<uint8_t>(a[1]), a[2], a[3], a[4])),
    V(AppendPopup, AppendPopup(a[0], a[1], a[2], a[3], a[4])),
    A(SelectPopup, SelectPopup(E(a[0]), a[1], a[2], a[3], a[4], a[5], a[6])),
    A(CreateObject, CreateObject(E(a[0]), a[1], P<EditData>(a[2]))),
    A(ModifyObject, ModifyObject(E(a[0]), P<EditData>(a[1]), a[2], a[3], a[4], a[5])),
    A(RebuildExt, RebuildExt(a[0], a[1], a[2], a[3], a[4], a[5])),
    V(EndModifyObject, EndModifyObject(a[0], a[1], a[2])),
    V(GetObjectRect, GetObjectRect(E(a[0]), P<int32_t>(a[1]), a[2], P<EditData>(a[3]))),
    V(EditorDisplay, EditorDisplay(E(a[0]), a[1], a[2], a[3], P<int32_t>(a[4]))),
    A(IsTransparent, IsTransparent(a[0], a[1], a[2], a[3], a[4])),
    V(PrepareToWriteObject, PrepareToWriteObject(a[0], a[1], a[2])),
    V(UpdateFileNames, UpdateFileNames(a[0], a[1], a[2], a[3])),
    A(EnumElts, EnumElts(a[0], a[1], a[2], a[3], a[4], a[5])),
    A(Initialize, Initialize(a[0], a[1])),
    A(Free, Free(a[0])),
    A(UsesFile, UsesFile(a[0])),
    V(CreateFromFile, CreateFromFile(E(a[0]), P<EditData>(a[1]))),
    V(GetObjInfos, GetObjInfos(E(a[0]), a[1], S(a[2]), S(a[3]), S(a[4]), S(a[5]), S(a[6]))),
    A(CreateRunObject, u16(CreateRunObject(P<RunData>(a[0]), a[1], a[2]))),
    A(DestroyRunObject, u16(DestroyRunObject(a[0], a[1]))),
    A(HandleRunObject, u16(HandleRunObject(P<RunData>(a[0])))),
    A(DisplayRunObject, u16(DisplayRunObject(a[0]))),
    A(PauseRunObject, u16(PauseRunObject(a[0]))),
    A(ContinueRunObject, u16(ContinueRunObject(a[0]))),
    A(GetRunObjectInfos, u16(GetRunObjectInfos(a[0], P<RunInfos>(a[1])))),
    A(GetConditionMenu, menu(GetConditionMenu(E(a[0]), a[1], a[2]))),
    A(GetActionMenu, menu(GetActionMenu(E(a[0]), a[1], a[2]))),
    A(GetExpressionMenu, menu(GetExpressionMenu(E(a[0]), a[1], a[2]))),
    A(GetConditionCodeFromMenu, u16(GetConditionCodeFromMenu(E(a[0]), a[1]))),
    A(GetActionCodeFromMenu, u16(GetActionCodeFromMenu(E(a[0]), a[1]))),
    A(GetExpressionCodeFromMenu, u16(GetExpressionCodeFromMenu(E(a[0]), a[1]))),
    V(GetConditionString, GetConditionString(E(a[0]), a[1], S(a[2]), a[3])),
    V(GetActionString, GetActionString(E(a[0]), a[1], S(a[2]), a[3])),
    V(GetExpressionString, GetExpressionString(E(a[0]), a[1], S(a[2]), a[3])),
    V(GetConditionTitle, GetConditionTitle(E(a[0]), a[1], a[2], S(a[3]), a[4])),
    V(GetActionTitle, GetActionTitle(E(a[0]), a[1], a[2], S(a[3]), a[4])),
    V(GetExpressionTitle, GetExpressionTitle(E(a[0]), a[1], S(a[2]), a[3])),
    A(GetConditionInfos, hostRef(GetConditionInfos(E(a[0]), a[1]))),
    A(GetActionInfos, hostRef(GetActionInfos(E(a[0]), a[1]))),
    A(GetExpressionInfos, hostRef(GetExpressionInfos(E(a[0]), a[1]))),
    A(UpdateEditStructure, UpdateEditStructure(a[0], a[1])),
    A(GetRunObjectDataSize, u16(GetRunObjectDataSize(a[0], a[1]))),
};
#undef A
#undef V

// Native callbacks carry no user data, so each kind has a pool of
// trampolines, one per live callback.
constexpr size_t kSlots = 32;
std::array<Callback, kSlots> gParamFetch, gHostVersion, gPath;

template <size_t I>
uint32_t paramFetchTrampoline(RunData* rd, uint32_t two, uint32_t handle) {
    const uint32_t args[] = {hostRef(rd), two, handle};
    return gParamFetch[I](args);
}
template <size_t I>
uint32_t hostVersionTrampoline() { return gHostVersion[I]({}); }
template <size_t I>
uint32_t pathTrampoline(char* path, uint32_t a, uint32_t b) {
    const uint32_t args[] = {hostRef(path), a, b};
    return gPath[I](args);
}

template <size_t... I>
constexpr std::array<ParamFetch, kSlots> paramFetchPool(std::index_sequence<I...>) { return {paramFetchTrampoline<I>...}; }
template <size_t... I>
constexpr std::array<HostVersionFn, kSlots> hostVersionPool(std::index_sequence<I...>) { return {hostVersionTrampoline<I>...}; }
template <size_t... I>
constexpr std::array<PathCallback, kSlots> pathPool(std::index_sequence<I...>) { return {pathTrampoline<I>...}; }

class NativeModule final : public Module {
public:
    NativeModule() { DllMain(nativeModuleHandle(), DLL_PROCESS_ATTACH, nullptr); }
    ~NativeModule() override {
        for (auto [pool, i] : taken_) (*pool)[i] = nullptr;
    }

    std::string_view kind() const override { return "native"; }

    Addr alloc(uint32_t size) override {
        blocks_.push_back(std::make_unique<uint8_t[]>(size == 0 ? 1 : size));
        return hostRef(blocks_.back().get());
    }

    uint8_t* bytes(Addr addr) override { return hostPtrAs<uint8_t>(addr); }

    uint32_t call(std::string_view name, std::initializer_list<uint32_t> args) override {
        const ExportInfo* info = findExport(name);
        auto it = kAdapters.find(name);
        if (info == nullptr || it == kAdapters.end()) throw std::invalid_argument("no export " + std::string(name));
        if (args.size() != info->argCount)
            throw std::invalid_argument(std::string(name) + ": wrong argument count");
        return it->second(args.begin());
    }

    uint32_t callRoutine(RoutineKind kind, Addr routine, std::initializer_list<uint32_t> args) override {
        const uint32_t* a = args.begin();
        void* fn = hostPtr(routine);
        if (fn == nullptr) throw std::invalid_argument("null routine");
        switch (kind) {
            case RoutineKind::Condition:
                need(args, 3);
                return reinterpret_cast<ConditionRoutine>(fn)(P<RunData>(a[0]), a[1], a[2]);
            case RoutineKind::Action:
                need(args, 3);
                return u16(reinterpret_cast<ActionRoutine>(fn)(P<RunData>(a[0]), a[1], a[2]));
            case RoutineKind::Expression:
                need(args, 2);
                return reinterpret_cast<ExpressionRoutine>(fn)(P<RunData>(a[0]), a[1]);
        }
        return 0;
    }

    std::vector<Addr> routineTable(RoutineKind kind, Addr table) override {
        (void)kind;
        std::vector<Addr> out;
        for (auto* entry = hostPtrAs<void* const>(table); entry != nullptr && *entry != nullptr; ++entry)
            out.push_back(hostRef(*entry));
        return out;
    }

    Addr callback(CallbackKind kind, Callback fn) override {
        static constexpr auto params = paramFetchPool(std::make_index_sequence<kSlots>{});
        static constexpr auto versions = hostVersionPool(std::make_index_sequence<kSlots>{});
        static constexpr auto paths = pathPool(std::make_index_sequence<kSlots>{});
        switch (kind) {
            case CallbackKind::ParamFetch: return hostFnRef(params[take(gParamFetch, std::move(fn))]);
            case CallbackKind::HostVersion: return hostFnRef(versions[take(gHostVersion, std::move(fn))]);
            case CallbackKind::Path: return hostFnRef(paths[take(gPath, std::move(fn))]);
        }
        return 0;
    }

private:
    static void need(std::initializer_list<uint32_t> args, size_t n) {
        if (args.size() != n) throw std::invalid_argument("routine: wrong argument count");
    }

    size_t take(std::array<Callback, kSlots>& pool, Callback fn) {
        for (size_t i = 0; i < kSlots; ++i) {
            if (pool[i]) continue;
            pool[i] = std::move(fn);
            taken_.emplace_back(&pool, i);
            return i;
        }
        throw std::runtime_error("too many live native callbacks");
    }

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::vector<std::pair<std::array<Callback, kSlots>*, size_t>> taken_;
};

}  // namespace

std::unique_ptr<Module> openNative() { return std::make_unique<NativeModule>(); }

std::unique_ptr<Module> openModule(const std::string& pathOrEmpty) {
    return pathOrEmpty.empty() ? openNative() : openEmulated(pathOrEmpty);
}

void Module::setHostFpState(FpState state) {
    if (state.x87Control != FpState{}.x87Control || state.mxcsr != FpState{}.mxcsr)
        throw std::logic_error(std::string(kind()) + " driver: hostile floating-point states are not supported yet");
    fp_ = state;
}

std::string Module::cString(Addr addr) {
    const auto* p = reinterpret_cast<const char*>(bytes(addr));
    return p == nullptr ? std::string() : std::string(p);
}

}  // namespace kdrv
