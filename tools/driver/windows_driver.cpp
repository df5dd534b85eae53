// The module as a Windows DLL behind the driver interface, loaded the way the
// host loads it: LoadLibraryA (Windows runs the attach notification), entry
// points found by ordinal with GetProcAddress, and called in this process.
// Host memory is addressed by the DLL's own host references. Windows builds
// only; kinemo-host opens module files with it there.
#if defined(_WIN32)
#include <windows.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/export_table.h"
#include "driver/in_process_calls.h"
#include "driver/module.h"
#include "host/exports.h"

using kinemo::ActionRoutine;
using kinemo::ConditionRoutine;
using kinemo::ExpressionRoutine;
using kinemo::HostVersionFn;
using kinemo::ParamFetch;
using kinemo::PathCallback;
using kinemo::RunData;

namespace kdrv {
namespace {

using RefFn = uint32_t (*)(const void*);
using PtrFn = void* (*)(uint32_t);

// The loaded DLL's mapping; one DLL at a time is enough for every caller.
RefFn gToRef = nullptr;
PtrFn gToPtr = nullptr;
uint32_t dllRef(const void* p) { return gToRef(p); }
void* dllPtr(uint32_t ref) { return gToPtr(ref); }
constexpr RefMapping kRefs = {dllPtr, dllRef};

std::string lastError(const std::string& what) {
    return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

class WindowsDllModule final : public Module {
public:
    explicit WindowsDllModule(const std::string& path) {
        if (gToRef != nullptr) throw std::runtime_error("a module DLL is already open");
        dll_ = LoadLibraryA(path.c_str());
        if (dll_ == nullptr) throw std::runtime_error(lastError("cannot load " + path));
        gToRef = reinterpret_cast<RefFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "kinemoHostRef")));
        gToPtr = reinterpret_cast<PtrFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "kinemoHostPtr")));
        if (gToRef == nullptr || gToPtr == nullptr) {
            close();
            throw std::runtime_error(path + ": not the win64 test build (no host reference exports)");
        }
    }
    ~WindowsDllModule() override {
        slots_.reset();
        close();
    }

    std::string_view kind() const override { return "windows"; }

    Addr alloc(uint32_t size) override {
        blocks_.push_back(std::make_unique<uint8_t[]>(size == 0 ? 1 : size));
        std::fill_n(blocks_.back().get(), size == 0 ? 1 : size, uint8_t{0});
        return dllRef(blocks_.back().get());
    }

    uint8_t* bytes(Addr addr) override { return static_cast<uint8_t*>(dllPtr(addr)); }

    using Module::call;
    using Module::callRoutine;

    uint32_t call(std::string_view name, std::span<const uint32_t> args) override {
        const ExportInfo* info = findExport(name);
        if (info == nullptr) throw std::invalid_argument("no export " + std::string(name));
        if (args.size() != info->argCount) throw std::invalid_argument(std::string(name) + ": wrong argument count");
        void* fn = reinterpret_cast<void*>(GetProcAddress(dll_, MAKEINTRESOURCEA(info->ordinal)));
        if (fn == nullptr) throw std::runtime_error(std::string(name) + ": no export at ordinal " + std::to_string(info->ordinal));
        return intoModule([&] { return info->loaded(fn, kRefs, args.data()); }, [&] { return std::string(name); });
    }

    uint32_t callRoutine(RoutineKind kind, Addr routine, std::span<const uint32_t> args) override {
        void* fn = dllPtr(routine);
        if (fn == nullptr) throw std::invalid_argument("null routine");
        if (args.size() != (kind == RoutineKind::Expression ? 2u : 3u))
            throw std::invalid_argument("routine: wrong argument count");
        const uint32_t* a = args.data();
        RunData* rd = static_cast<RunData*>(dllPtr(a[0]));
        auto what = [&] { return "routine " + std::to_string(routine); };
        switch (kind) {
            case RoutineKind::Condition:
                return intoModule([&] { return reinterpret_cast<ConditionRoutine>(fn)(rd, a[1], a[2]); }, what);
            case RoutineKind::Action:
                return intoModule(
                    [&] { return uint32_t{static_cast<uint16_t>(reinterpret_cast<ActionRoutine>(fn)(rd, a[1], a[2]))}; },
                    what);
            case RoutineKind::Expression:
                return intoModule([&] { return reinterpret_cast<ExpressionRoutine>(fn)(rd, a[1]); }, what);
        }
        return 0;
    }

    std::vector<Addr> routineTable(RoutineKind, Addr table) override {
        std::vector<Addr> out;
        for (auto* entry = static_cast<void* const*>(dllPtr(table)); entry != nullptr && *entry != nullptr; ++entry)
            out.push_back(dllRef(*entry));
        return out;
    }

    Addr callback(CallbackKind kind, Callback fn) override { return dllRef(slots_->take(kind, std::move(fn))); }

private:
    template <class F, class What>
    uint32_t intoModule(F f, What what) { return inproc::callUnder(fp_, f, what); }

    void close() {
        if (dll_ != nullptr) FreeLibrary(dll_);
        dll_ = nullptr;
        gToRef = nullptr;
        gToPtr = nullptr;
    }

    HMODULE dll_ = nullptr;
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    // Given back before the DLL goes: the trampolines' slots point into it no more.
    std::unique_ptr<inproc::CallbackSlots> slots_ = std::make_unique<inproc::CallbackSlots>(dllRef);
};

}  // namespace

std::unique_ptr<Module> openModuleFile(const std::string& path) { return std::make_unique<WindowsDllModule>(path); }

}  // namespace kdrv
#endif
