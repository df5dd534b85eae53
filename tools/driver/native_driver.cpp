// The native build behind the driver interface: each export's native entry
// (export_table.cpp) turns 32-bit arguments into pointers through the
// module's own host-reference mapping. Each call runs
// under the host's floating-point control words, loaded into this CPU right
// before the call and replaced by the driver's own right after it.
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/export_table.h"
#include "driver/module.h"
#include "host/exports.h"
#include "platform/host_ref.h"
#include "standins/resource_table.h"

using kinemo::ActionRoutine;
using kinemo::ConditionRoutine;
using kinemo::DllMain;
using kinemo::ExpressionRoutine;
using kinemo::HostVersionFn;
using kinemo::ParamFetch;
using kinemo::PathCallback;
using kinemo::RunData;
using kinemo::hostFnRef;
using kinemo::hostPtr;
using kinemo::hostPtrAs;
using kinemo::hostRef;

namespace kdrv {
namespace {

uint32_t u16(int16_t v) { return static_cast<uint16_t>(v); }

#if defined(__x86_64__) || defined(__i386__)

// The "memory" clobbers keep the compiler from moving the module call, an
// opaque call, across the switch.
FpState readFpState() {
    FpState s;
    asm volatile("fnstcw %0" : "=m"(s.x87Control) : : "memory");
    asm volatile("stmxcsr %0" : "=m"(s.mxcsr) : : "memory");
    return s;
}

// x87 exception flags raised while `control` unmasks them: the real host
// would trap at its next x87 instruction.
uint16_t pendingX87Exceptions(uint16_t control) {
    uint16_t status;
    asm volatile("fnstsw %0" : "=m"(status) : : "memory");
    return status & ~control & 0x3F;
}

// The x87 raises a pending exception that a newly loaded control word
// unmasks (fldcw itself waits for it): a host that unmasks exceptions runs
// with its flags clear, so the flags left by earlier work go first. Flags
// the module left pending are checked before this clears them.
void loadFpState(const FpState& s) {
    asm volatile("fnclex" : : : "memory");
    asm volatile("fldcw %0" : : "m"(s.x87Control) : "memory");
    asm volatile("ldmxcsr %0" : : "m"(s.mxcsr) : "memory");
}
#else
// WebAssembly has one floating-point state: round to nearest, nothing trapped.
FpState readFpState() { return {}; }
uint16_t pendingX87Exceptions(uint16_t) { return 0; }
void loadFpState(const FpState&) {}
#endif

constexpr uint32_t kMxcsrStatusFlags = 0x3F;  // sticky; the module may leave them changed

bool sameControl(FpState a, FpState b) {
    return a.x87Control == b.x87Control && (a.mxcsr & ~kMxcsrStatusFlags) == (b.mxcsr & ~kMxcsrStatusFlags);
}

std::string describe(FpState s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "x87 control 0x%04x, MXCSR 0x%04x", unsigned(s.x87Control), unsigned(s.mxcsr));
    return buf;
}

// The call into the module in progress: the host's state, the driver's own,
// and the first callback that saw another state than the host's.
struct ModuleCall {
    FpState host;
    FpState driver;
    std::string callbackError;
};
ModuleCall* gCall = nullptr;

// A callback runs the driver's code in the driver's state and hands the
// module back the state it called with.
uint32_t intoHost(const char* name, const Callback& fn, std::span<const uint32_t> args) {
    if (gCall == nullptr) return fn(args);
    const FpState seen = readFpState();
    if (!sameControl(seen, gCall->host) && gCall->callbackError.empty())
        gCall->callbackError = std::string(name) + " called with " + describe(seen) + ", the host's is " + describe(gCall->host);
    if (pendingX87Exceptions(seen.x87Control) != 0 && gCall->callbackError.empty())
        gCall->callbackError = std::string(name) + " called with an unmasked x87 exception pending";
    loadFpState(gCall->driver);
    uint32_t result;
    try {
        result = fn(args);
    } catch (...) {
        loadFpState(seen);
        throw;
    }
    loadFpState(seen);
    return result;
}

// Native callbacks carry no user data, so each kind has a pool of
// trampolines, one per live callback.
constexpr size_t kSlots = 32;
std::array<Callback, kSlots> gParamFetch, gHostVersion, gPath;

template <size_t I>
uint32_t paramFetchTrampoline(RunData* rd, uint32_t two, uint32_t handle) {
    const uint32_t args[] = {hostRef(rd), two, handle};
    return intoHost("parameter fetch callback", gParamFetch[I], args);
}
template <size_t I>
uint32_t hostVersionTrampoline() { return intoHost("host version callback", gHostVersion[I], {}); }
template <size_t I>
uint32_t pathTrampoline(char* path, uint32_t a, uint32_t b) {
    const uint32_t args[] = {hostRef(path), a, b};
    return intoHost("path callback", gPath[I], args);
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

    using Module::call;
    using Module::callRoutine;

    uint32_t call(std::string_view name, std::span<const uint32_t> args) override {
        const ExportInfo* info = findExport(name);
        if (info == nullptr) throw std::invalid_argument("no export " + std::string(name));
        if (args.size() != info->argCount)
            throw std::invalid_argument(std::string(name) + ": wrong argument count");
        return intoModule([&] { return info->native(args.data()); }, [&] { return std::string(name); });
    }

    uint32_t callRoutine(RoutineKind kind, Addr routine, std::span<const uint32_t> args) override {
        const uint32_t* a = args.data();
        void* fn = hostPtr(routine);
        if (fn == nullptr) throw std::invalid_argument("null routine");
        need(args, kind == RoutineKind::Expression ? 2 : 3);
        RunData* rd = hostPtrAs<RunData>(a[0]);
        auto what = [&] {
            char buf[32];
            std::snprintf(buf, sizeof buf, "routine 0x%x", routine);
            return std::string(buf);
        };
        switch (kind) {
            case RoutineKind::Condition:
                return intoModule([&] { return reinterpret_cast<ConditionRoutine>(fn)(rd, a[1], a[2]); }, what);
            case RoutineKind::Action:
                return intoModule([&] { return u16(reinterpret_cast<ActionRoutine>(fn)(rd, a[1], a[2])); }, what);
            case RoutineKind::Expression:
                return intoModule([&] { return reinterpret_cast<ExpressionRoutine>(fn)(rd, a[1]); }, what);
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
    // Runs `f`, the call into the module, under the host's state and checks
    // what the module left and what its callbacks saw.
    template <class F, class What>
    uint32_t intoModule(F f, What what) {
        ModuleCall call{fp_, readFpState(), {}};
        ModuleCall* outer = std::exchange(gCall, &call);
        loadFpState(call.host);
        uint32_t result;
        try {
            result = f();
        } catch (...) {
            loadFpState(call.driver);
            gCall = outer;
            throw;
        }
        const FpState left = readFpState();
        const uint16_t pending = pendingX87Exceptions(left.x87Control);
        loadFpState(call.driver);
        gCall = outer;
        if (!call.callbackError.empty()) throw FpStateError(what() + ": " + call.callbackError);
        if (!sameControl(left, call.host))
            throw FpStateError(what() + ": returned with " + describe(left) + ", called with " + describe(call.host));
        if (pending != 0) throw FpStateError(what() + ": returned with an unmasked x87 exception pending");
        return result;
    }

    static void need(std::span<const uint32_t> args, size_t n) {
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
    return pathOrEmpty.empty() ? openNative() : openModuleFile(pathOrEmpty);
}

void Module::setHostFpState(FpState state) { fp_ = state; }

std::string Module::cString(Addr addr) {
    const auto* p = reinterpret_cast<const char*>(bytes(addr));
    return p == nullptr ? std::string() : std::string(p);
}

}  // namespace kdrv
