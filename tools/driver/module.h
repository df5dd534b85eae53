// One interface to drive the module the way the host does, whether it is
// the native build linked in or kinemo.qlm running in the emulated host.
// Host memory is addressed by 32-bit values in both cases.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kdrv {

using Addr = uint32_t;

enum class RoutineKind : uint8_t { Condition, Action, Expression };

// Host callbacks the module calls, by signature.
enum class CallbackKind : uint8_t {
    ParamFetch,   // (RunData*, 2, handle) -> raw parameter
    HostVersion,  // () -> version
    Path,         // (path, 1, 1) -> ignored
};

using Callback = std::function<uint32_t(std::span<const uint32_t> args)>;

// The floating-point control state a host leaves when it calls the module.
// Windows' defaults unless a test plays a hostile host.
struct FpState {
    uint16_t x87Control = 0x027F;
    uint32_t mxcsr = 0x1F80;
};

// How the emulated host serves ORVEX32: the contract leaves open the calling
// convention of its free functions and the size of its image object. A
// library built against other prototypes may also remove a slot too many.
enum class OrvexConvention : uint8_t { Stdcall, Cdecl, StdcallOneSlotTooMany };
struct EmulatedOptions {
    FpState fp;
    OrvexConvention orvexConvention = OrvexConvention::Stdcall;
    uint32_t orvexImageBytes = 0;  // bytes the library writes into its image object at set-up; 0: none
};

// A call left the host's floating-point control words changed, or a callback
// into the host ran with a state other than the host's.
struct FpStateError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Module {
public:
    virtual ~Module() = default;
    virtual std::string_view kind() const = 0;  // "native" or "emulated"

    // Zero-filled host memory that lives as long as the driver.
    virtual Addr alloc(uint32_t size) = 0;
    // Host view of memory at an address (ours or the module's); null if unmapped.
    virtual uint8_t* bytes(Addr addr) = 0;

    // Calls an export by name. 16-bit results come back in the low half,
    // zero-extended; entry points without a result give 0.
    virtual uint32_t call(std::string_view name, std::span<const uint32_t> args) = 0;
    uint32_t call(std::string_view name, std::initializer_list<uint32_t> args) {
        return call(name, std::span<const uint32_t>(args.begin(), args.size()));
    }
    // Calls an entry of a routine table.
    virtual uint32_t callRoutine(RoutineKind kind, Addr routine, std::span<const uint32_t> args) = 0;
    uint32_t callRoutine(RoutineKind kind, Addr routine, std::initializer_list<uint32_t> args) {
        return callRoutine(kind, routine, std::span<const uint32_t>(args.begin(), args.size()));
    }
    // Walks a routine table from its start to its null end.
    virtual std::vector<Addr> routineTable(RoutineKind kind, Addr table) = 0;
    // A host callback the module can call through a 32-bit slot.
    virtual Addr callback(CallbackKind kind, Callback fn) = 0;

    // Every later call into the module starts with this state; the driver
    // checks that the module returns with the same control words (sticky
    // status flags aside) and that every callback it makes sees them, and
    // throws FpStateError otherwise.
    virtual void setHostFpState(FpState state);
    virtual FpState hostFpState() const { return fp_; }

    // The support library the module's calls reach when it is not the
    // stand-ins (a host's real one, loaded from disk): its path. Its records
    // cannot be read and its dialogs cannot be scripted. Empty otherwise.
    virtual std::string unobservedSupportLibrary() const { return {}; }

    template <class T>
    T* view(Addr addr) { return reinterpret_cast<T*>(bytes(addr)); }
    std::string cString(Addr addr);

protected:
    FpState fp_;
};

// The native build, attached.
std::unique_ptr<Module> openNative();
// kinemo.qlm loaded into the emulated 32-bit host, attached. Throws on failure.
std::unique_ptr<Module> openEmulated(const std::string& dllPath, const EmulatedOptions& options = {});
// A module file opened the way this build can: in the emulated host on this
// machine. Builds without the emulator define it in their own file.
std::unique_ptr<Module> openModuleFile(const std::string& path);
// Empty path: native; otherwise the module file at that path.
std::unique_ptr<Module> openModule(const std::string& pathOrEmpty);
// The same, with the folder the module's support library is looked for in
// (the host's own; empty: this program's folder). Windows builds only: the
// other builds serve the library themselves and refuse a folder.
std::unique_ptr<Module> openModule(const std::string& pathOrEmpty, const std::string& libraryDir);
#if defined(_WIN32)
// A module DLL loaded by Windows into this process, its dependencies looked
// for beside it first and then in `libraryDir`.
std::unique_ptr<Module> openWindowsDll(const std::string& path, const std::string& libraryDir);
#endif

}  // namespace kdrv
