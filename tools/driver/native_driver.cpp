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
#include "driver/in_process_calls.h"
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

class NativeModule final : public Module {
public:
    NativeModule() { DllMain(nativeModuleHandle(), DLL_PROCESS_ATTACH, nullptr); }

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

    Addr callback(CallbackKind kind, Callback fn) override { return hostRef(slots_.take(kind, std::move(fn))); }

private:
    template <class F, class What>
    uint32_t intoModule(F f, What what) { return inproc::callUnder(fp_, f, what); }

    static void need(std::span<const uint32_t> args, size_t n) {
        if (args.size() != n) throw std::invalid_argument("routine: wrong argument count");
    }

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    inproc::CallbackSlots slots_{hostRef};
};

}  // namespace

std::unique_ptr<Module> openNative() { return std::make_unique<NativeModule>(); }

std::unique_ptr<Module> openModule(const std::string& pathOrEmpty) {
    return pathOrEmpty.empty() ? openNative() : openModuleFile(pathOrEmpty);
}

std::unique_ptr<Module> openModule(const std::string& pathOrEmpty, const std::string& libraryDir) {
    if (libraryDir.empty()) return openModule(pathOrEmpty);
#if defined(_WIN32)
    if (!pathOrEmpty.empty()) return openWindowsDll(pathOrEmpty, libraryDir);
#endif
    throw std::invalid_argument("a library folder applies only to a module DLL loaded on Windows");
}

void Module::setHostFpState(FpState state) { fp_ = state; }

std::string Module::cString(Addr addr) {
    const auto* p = reinterpret_cast<const char*>(bytes(addr));
    return p == nullptr ? std::string() : std::string(p);
}

}  // namespace kdrv
