// The driver interface over the emulated host: the same calls the native
// driver makes, into kinemo.qlm running in the guest.
#include <stdexcept>

#include "driver/export_table.h"
#include "driver/module.h"
#include "emu/emulated_host.h"

namespace kdrv {
namespace {

constexpr size_t kMaxRoutineTable = 4096;

// Each callback kind's stack slots and its name in errors.
struct CallbackShape {
    int slots;
    const char* name;
};

CallbackShape callbackShape(CallbackKind kind) {
    switch (kind) {
        case CallbackKind::ParamFetch: return {3, "parameter fetch callback"};
        case CallbackKind::HostVersion: return {0, "host version callback"};
        case CallbackKind::Path: return {3, "path callback"};
    }
    return {0, "callback"};
}

emu::Convention orvexFunctions(OrvexConvention c) {
    switch (c) {
        case OrvexConvention::Stdcall:
        case OrvexConvention::StdcallOneSlotTooMany: return emu::Convention::Stdcall;
        case OrvexConvention::Cdecl: return emu::Convention::Cdecl;
    }
    throw std::invalid_argument("unknown ORVEX32 calling convention");
}

emu::LoadOptions loadOptions(const EmulatedOptions& options) {
    emu::LoadOptions out;
    out.orvexFunctions = orvexFunctions(options.orvexConvention);
    out.orvexExtraSlotsRemoved = options.orvexConvention == OrvexConvention::StdcallOneSlotTooMany ? 1 : 0;
    out.orvexImageBytes = options.orvexImageBytes;
    return out;
}

emu::FpControl control(FpState s) { return {s.x87Control, s.mxcsr}; }

// The machine reports a changed floating-point state as its own error; the
// driver's callers see the driver's.
template <class F>
uint32_t translated(F f) {
    try {
        return f();
    } catch (const emu::FpStateError& e) {
        throw FpStateError(e.what());
    }
}

class EmulatedModule final : public Module {
public:
    EmulatedModule(const std::string& path, const EmulatedOptions& options) : host_(path, loadOptions(options)) {}

    void setHostFpState(FpState state) override {
        Module::setHostFpState(state);
        host_.machine().setHostFpState(control(state));
    }

    std::string_view kind() const override { return "emulated"; }

    Addr alloc(uint32_t size) override { return host_.machine().alloc(size); }

    uint8_t* bytes(Addr addr) override { return host_.machine().bytes(addr); }

    using Module::call;
    using Module::callRoutine;

    uint32_t call(std::string_view name, std::span<const uint32_t> args) override {
        const Resolved& e = resolve(name);
        const ExportInfo* info = e.info;
        if (args.size() != info->argCount) throw std::invalid_argument(std::string(name) + ": wrong argument count");
        const uint32_t raw = translated([&] { return host_.machine().call(e.address, args, std::string(name)); });
        switch (info->result) {
            case ResultKind::None: return 0;
            case ResultKind::Bits16: return raw & 0xFFFF;
            case ResultKind::Bits32: return raw;
        }
        return raw;
    }

    uint32_t callRoutine(RoutineKind kind, Addr routine, std::span<const uint32_t> args) override {
        if (routine == 0) throw std::invalid_argument("null routine");
        const size_t expected = kind == RoutineKind::Expression ? 2 : 3;
        if (args.size() != expected) throw std::invalid_argument("routine: wrong argument count");
        const char* what = kind == RoutineKind::Condition ? "condition routine " : kind == RoutineKind::Action ? "action routine " : "expression routine ";
        const uint32_t raw =
            translated([&] { return host_.machine().call(routine, args, what + host_.machine().describe(routine)); });
        return kind == RoutineKind::Action ? raw & 0xFFFF : raw;
    }

    std::vector<Addr> routineTable(RoutineKind, Addr table) override {
        std::vector<Addr> out;
        for (Addr at = table;; at += 4) {
            if (out.size() == kMaxRoutineTable) throw std::runtime_error("routine table at " + emu::hex(table) + " has no null end");
            const Addr entry = host_.machine().read32(at);
            if (entry == 0) return out;
            out.push_back(entry);
        }
    }

    Addr callback(CallbackKind kind, Callback fn) override {
        const CallbackShape shape = callbackShape(kind);
        const int slots = shape.slots;
        return host_.machine().addThunk(shape.name, slots, emu::Convention::Stdcall, emu::ResultIn::Eax,
                                        [slots, fn = std::move(fn)](emu::ThunkCall& c) {
                                            // The host expects its own state back whenever it runs.
                                            const emu::FpControl seen = c.machine.fpControl(), host = c.machine.hostFpState();
                                            if (!emu::sameControl(seen, host))
                                                throw emu::FpStateError("called with " + emu::describe(seen) + ", the host's is " +
                                                                        emu::describe(host));
                                            if (c.machine.x87ExceptionPending())
                                                throw emu::FpStateError("called with an unmasked x87 exception pending");
                                            uint32_t args[3] = {};
                                            for (int i = 0; i < slots; ++i) args[i] = c.arg(i);
                                            c.eax = fn(std::span<const uint32_t>(args, size_t(slots)));
                                        });
    }

private:
    struct Resolved {
        const ExportInfo* info = nullptr;
        uint32_t address = 0;
    };

    // A host calls the same entry point over and over (once per frame and
    // instance); the last one resolved is kept.
    const Resolved& resolve(std::string_view name) {
        if (last_.info != nullptr && last_.info->name == name) return last_;
        const ExportInfo* info = findExport(name);
        if (info == nullptr) throw std::invalid_argument("no export " + std::string(name));
        last_ = {info, host_.exportAddress(info->ordinal)};
        return last_;
    }

    emu::EmulatedHost host_;
    Resolved last_;
};

}  // namespace

std::unique_ptr<Module> openEmulated(const std::string& dllPath, const EmulatedOptions& options) {
    auto m = std::make_unique<EmulatedModule>(dllPath, options);
    m->setHostFpState(options.fp);
    return m;
}

std::unique_ptr<Module> openModuleFile(const std::string& path) { return openEmulated(path); }

}  // namespace kdrv
