// The module as a Windows DLL behind the driver interface, loaded the way the
// host loads it: by Windows (which runs the attach notification), its support
// library found beside it or in the host's folder, entry points found by
// ordinal with GetProcAddress and called in this process. A 32-bit DLL's host
// references are its addresses; the 64-bit test DLL exports its own mapping.
// Windows builds only; kinemo-host opens module files with it there.
#if defined(_WIN32)
#include <windows.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/dll_file_facts.h"
#include "driver/dll_load_errors.h"
#include "driver/export_table.h"
#include "driver/in_process_calls.h"
#include "driver/module.h"
#include "host/exports.h"
#include "standins/standin.h"

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

#if KINEMO_ADDRESSES_FIT_32
uint32_t dllRef(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
void* dllPtr(uint32_t ref) { return reinterpret_cast<void*>(static_cast<uintptr_t>(ref)); }
bool takeRefMapping(HMODULE) { return true; }
void dropRefMapping() {}
#else
// The loaded DLL's mapping; one DLL at a time is enough for every caller.
RefFn gToRef = nullptr;
PtrFn gToPtr = nullptr;
uint32_t dllRef(const void* p) { return gToRef(p); }
void* dllPtr(uint32_t ref) { return gToPtr(ref); }
bool takeRefMapping(HMODULE dll) {
    gToRef = reinterpret_cast<RefFn>(reinterpret_cast<void*>(GetProcAddress(dll, "kinemoHostRef")));
    gToPtr = reinterpret_cast<PtrFn>(reinterpret_cast<void*>(GetProcAddress(dll, "kinemoHostPtr")));
    return gToRef != nullptr && gToPtr != nullptr;
}
void dropRefMapping() {
    gToRef = nullptr;
    gToPtr = nullptr;
}
#endif
constexpr RefMapping kRefs = {dllPtr, dllRef};
bool gDllOpen = false;

HMODULE moduleHolding(const void* address) {
    HMODULE holder = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (GetModuleHandleExA(flags, static_cast<LPCSTR>(address), &holder) == 0) return nullptr;
    return holder;
}

std::string modulePath(HMODULE module) {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    return std::string(path, n < sizeof path ? n : 0);
}

// Where the calls the DLL makes to its support library land, read from its
// import address table: the image holding the first resolved entry.
HMODULE supportLibraryServing(HMODULE dll) {
    const auto* base = reinterpret_cast<const uint8_t*>(dll);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
        if (!isSupportLibraryName(reinterpret_cast<const char*>(base + d->Name))) continue;
        const auto* slot = reinterpret_cast<const uintptr_t*>(base + d->FirstThunk);
        return *slot != 0 ? moduleHolding(reinterpret_cast<const void*>(*slot)) : nullptr;
    }
    return nullptr;
}

// The first entry point of the export table that the DLL does not have.
const ExportInfo* missingEntryPoint(HMODULE dll) {
    for (const ExportInfo& e : exportTable())
        if (GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal)) == nullptr) return &e;
    return nullptr;
}

class WindowsDllModule final : public Module {
public:
    WindowsDllModule(const std::string& path, const std::string& libraryDir) {
        if (gDllOpen) throw std::runtime_error("a module DLL is already open");
        const DllLoadPlaces places = dllLoadPlaces(path, libraryDir);
        dll_ = loadModuleDll(places);
        gDllOpen = true;
        if (const ExportInfo* missing = missingEntryPoint(dll_)) {
            close();
            throw std::runtime_error(path + ": not a Kinemo module: no entry point " + std::string(missing->name) +
                                     " at ordinal " + std::to_string(missing->ordinal));
        }
        if (!takeRefMapping(dll_)) {
            close();
            throw std::runtime_error(path + ": a 64-bit module without the host reference exports of the test build "
                                            "(kinemoHostRef, kinemoHostPtr)");
        }
        HMODULE serving = supportLibraryServing(dll_);
        if (serving != nullptr && serving != moduleHolding(standin::codeAddress())) unobserved_ = modulePath(serving);
    }
    ~WindowsDllModule() override {
        slots_.reset();
        close();
    }

    std::string_view kind() const override { return "windows"; }
    std::string unobservedSupportLibrary() const override { return unobserved_; }

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
        dropRefMapping();
        gDllOpen = false;
    }

    HMODULE dll_ = nullptr;
    std::string unobserved_;
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    // Given back before the DLL goes: the trampolines' slots point into it no more.
    std::unique_ptr<inproc::CallbackSlots> slots_ = std::make_unique<inproc::CallbackSlots>(dllRef);
};

}  // namespace

std::unique_ptr<Module> openWindowsDll(const std::string& path, const std::string& libraryDir) {
    return std::make_unique<WindowsDllModule>(path, libraryDir);
}
std::unique_ptr<Module> openModuleFile(const std::string& path) { return openWindowsDll(path, ""); }

}  // namespace kdrv
#endif
