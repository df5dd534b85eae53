#include "driver/in_process_calls.h"

#include <cstdio>
#include <stdexcept>

#include "host/host_structs.h"

namespace kdrv::inproc {

using kinemo::HostVersionFn;
using kinemo::ParamFetch;
using kinemo::PathCallback;
using kinemo::RunData;

#if defined(__x86_64__) || defined(__i386__)

// The "memory" clobbers keep the compiler from moving the module call, an
// opaque call, across the switch.
FpState readFpState() {
    FpState s;
    asm volatile("fnstcw %0" : "=m"(s.x87Control) : : "memory");
    asm volatile("stmxcsr %0" : "=m"(s.mxcsr) : : "memory");
    return s;
}

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

bool sameControl(FpState a, FpState b) {
    constexpr uint32_t kMxcsrStatusFlags = 0x3F;  // sticky; the module may leave them changed
    return a.x87Control == b.x87Control && (a.mxcsr & ~kMxcsrStatusFlags) == (b.mxcsr & ~kMxcsrStatusFlags);
}

std::string describe(FpState s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "x87 control 0x%04x, MXCSR 0x%04x", unsigned(s.x87Control), unsigned(s.mxcsr));
    return buf;
}

ModuleCall* gCall = nullptr;

namespace {

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

constexpr size_t kSlots = 32;
struct Slot {
    Callback fn;
    ToRef toRef = nullptr;
};
std::array<Slot, kSlots> gParamFetch, gHostVersion, gPath;

template <size_t I>
uint32_t KINEMO_STDCALL paramFetchTrampoline(RunData* rd, uint32_t two, uint32_t handle) {
    const Slot& s = gParamFetch[I];
    const uint32_t args[] = {s.toRef(rd), two, handle};
    return intoHost("parameter fetch callback", s.fn, args);
}
template <size_t I>
uint32_t KINEMO_STDCALL hostVersionTrampoline() { return intoHost("host version callback", gHostVersion[I].fn, {}); }
template <size_t I>
uint32_t KINEMO_STDCALL pathTrampoline(char* path, uint32_t a, uint32_t b) {
    const Slot& s = gPath[I];
    const uint32_t args[] = {s.toRef(path), a, b};
    return intoHost("path callback", s.fn, args);
}

template <size_t... I>
constexpr std::array<ParamFetch, kSlots> paramFetchPool(std::index_sequence<I...>) { return {paramFetchTrampoline<I>...}; }
template <size_t... I>
constexpr std::array<HostVersionFn, kSlots> hostVersionPool(std::index_sequence<I...>) { return {hostVersionTrampoline<I>...}; }
template <size_t... I>
constexpr std::array<PathCallback, kSlots> pathPool(std::index_sequence<I...>) { return {pathTrampoline<I>...}; }

std::array<Slot, kSlots>& slotsOf(CallbackKind kind) {
    switch (kind) {
        case CallbackKind::ParamFetch: return gParamFetch;
        case CallbackKind::HostVersion: return gHostVersion;
        case CallbackKind::Path: break;
    }
    return gPath;
}

const void* trampoline(CallbackKind kind, size_t i) {
    static constexpr auto params = paramFetchPool(std::make_index_sequence<kSlots>{});
    static constexpr auto versions = hostVersionPool(std::make_index_sequence<kSlots>{});
    static constexpr auto paths = pathPool(std::make_index_sequence<kSlots>{});
    switch (kind) {
        case CallbackKind::ParamFetch: return reinterpret_cast<const void*>(params[i]);
        case CallbackKind::HostVersion: return reinterpret_cast<const void*>(versions[i]);
        case CallbackKind::Path: break;
    }
    return reinterpret_cast<const void*>(paths[i]);
}

}  // namespace

CallbackSlots::~CallbackSlots() {
    for (auto [kind, i] : taken_) slotsOf(kind)[i] = Slot{};
}

const void* CallbackSlots::take(CallbackKind kind, Callback fn) {
    auto& pool = slotsOf(kind);
    for (size_t i = 0; i < kSlots; ++i) {
        if (pool[i].fn) continue;
        pool[i] = Slot{std::move(fn), toRef_};
        taken_.emplace_back(kind, i);
        return trampoline(kind, i);
    }
    throw std::runtime_error("too many live callbacks");
}

}  // namespace kdrv::inproc
