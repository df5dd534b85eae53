// A 32-bit x86 guest on Unicorn laid out the way Windows code expects it:
// flat segments, FS on a thread block, x87 and SSE control words as Windows
// sets them, a stack, a heap, and thunks through which guest calls land in
// host handlers. Calls into the guest use stdcall and check that the callee
// removed its arguments. Faults, an exhausted block budget and failing
// handlers stop the run and come back as EmuError; nothing hangs. Every
// top-level call starts with the host's floating-point control words and
// must return with them unchanged.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

struct uc_struct;
struct uc_context;

namespace emu {

struct EmuError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The guest returned with, or called the host under, floating-point control
// words other than the host's.
struct FpStateError : EmuError {
    using EmuError::EmuError;
};

// The x87 control word and MXCSR. MXCSR's low six bits are sticky status
// flags, which code may change freely; the rest is control.
struct FpControl {
    uint16_t x87 = 0x027F;  // Windows' defaults: 53-bit significand, all exceptions masked
    uint32_t mxcsr = 0x1F80;
};
constexpr uint32_t kMxcsrStatusFlags = 0x3F;
inline bool sameControl(FpControl a, FpControl b) {
    return a.x87 == b.x87 && (a.mxcsr & ~kMxcsrStatusFlags) == (b.mxcsr & ~kMxcsrStatusFlags);
}
std::string describe(FpControl fp);

// "0x1f": addresses and values in error messages.
std::string hex(uint64_t v);

// Whether guest stores take the short paths around Unicorn 2.0.1's stubbed
// dirty tracking (see unicorn_store_path.cpp). The first call decides, for
// the whole process, before any machine's engine exists.
bool storesTakeShortPaths();
// The library functions the executable stands in for, as bits.
enum : unsigned { kStandInLock = 1, kStandInUnlock = 2, kStandInTlbFill = 4, kStandInCodeLookup = 8 };
// Why the short paths stay off for that library version (major, minor,
// patch bytes) when its calls reached those stand-ins and its import slots
// for those hold ours; "" when they engage.
std::string storePathRefusal(unsigned version, unsigned reachedStandIns, unsigned boundStandIns);
// Throws for a memory write hook while the short paths are engaged.
void requireHookSeesEveryStore(int hookType);

// Whether the machine running guest code on this thread maps `addr` as plain
// data: readable and writable, never executable. Such a page never holds
// translated code, and every store to it is allowed.
bool runningMachineHasPlainData(uint64_t addr);

// Calls return to a stop address at the start of a page whose predecessor
// is never mapped.
bool isByteBeforeStopAddress(uint64_t addr);

enum class Convention : uint8_t {
    Stdcall,   // callee removes the arguments
    Cdecl,     // caller removes them
    Thiscall,  // object in ECX, callee removes the stack arguments
};

enum class ResultIn : uint8_t { Eax, St0 };

class Machine;

// A guest call arriving at a thunk. Arguments are 32-bit stack slots.
struct ThunkCall {
    Machine& machine;
    uint32_t esp;  // points at the return address
    uint32_t ecx;
    uint32_t eax = 0;    // result when ResultIn::Eax
    double st0 = 0.0;    // result when ResultIn::St0

    uint32_t arg(int slot) const;
    uint32_t returnAddress() const;
};

// The call itself, beyond its arguments.
struct CallSite {
    uint32_t esp;  // at the return address
    uint32_t returnAddress;
    uint32_t ecx;  // the object of a thiscall
};

using ThunkHandler = std::function<void(ThunkCall&)>;

// Whether a thunk's handler may call back into the guest (a nested run).
// Those that never do are served by a cheaper mechanism.
enum class Reentry : uint8_t { MayRunGuest, Never };

constexpr uint32_t kPermRead = 1, kPermWrite = 2, kPermExec = 4, kPermAll = 7;

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // ---- memory ----
    // Maps zero-filled host-backed memory at a page-aligned address.
    uint8_t* map(uint32_t addr, uint32_t size, uint32_t perms);
    // Only before the first call: see guest_machine.cpp.
    void protect(uint32_t addr, uint32_t size, uint32_t perms);
    // Host view of a guest address, null when unmapped; `len` bytes must fit in one region.
    uint8_t* bytes(uint32_t addr, uint32_t len = 1);
    // Zero-filled heap memory that lives as long as the machine.
    uint32_t alloc(uint32_t size, uint32_t align = 16);

    uint32_t read32(uint32_t addr);
    void write32(uint32_t addr, uint32_t value);
    void writeBytes(uint32_t addr, std::span<const uint8_t> data);
    // A zero-terminated string of at most `limit` bytes; throws if unmapped or unterminated.
    std::string readString(uint32_t addr, uint32_t limit = 4096);

    // ---- thunks ----
    // A guest address that lands in `handler`. `argSlots` is what the callee
    // removes (stdcall/thiscall) or reads (cdecl).
    uint32_t addThunk(std::string name, int argSlots, Convention convention, ResultIn result, ThunkHandler handler,
                      Reentry reentry = Reentry::MayRunGuest);

    // ---- calls ----
    struct Call {
        uint32_t address;
        std::span<const uint32_t> args;
        std::string what;                     // names the call in errors
        std::optional<uint32_t> ecx;          // thiscall object
        std::optional<int> declaredSlots;     // what the callee must remove; default args.size()
    };
    // Runs a stdcall (or thiscall) function to its return and gives EAX.
    // May be used from inside a handler (a nested run).
    uint32_t call(const Call& c);
    uint32_t call(uint32_t address, std::span<const uint32_t> args, std::string what) {
        return call(Call{address, args, std::move(what), std::nullopt, std::nullopt});
    }

    // The control words every top-level call starts with and must end with.
    void setHostFpState(FpControl fp) {
        hostFp_ = fp;
        hostFpLoaded_ = false;
    }
    FpControl hostFpState() const { return hostFp_; }
    // The guest's control words at this moment (e.g. inside a handler).
    FpControl fpControl();
    // An x87 exception flag is set that the control word unmasks: the host
    // would trap at its next x87 instruction.
    bool x87ExceptionPending();
    // Sets x87 exception flags, as an instruction that raised them would.
    void raiseX87Flags(uint16_t flags);

    // Basic blocks a top-level call may run (nested runs included).
    void setBlockBudget(uint64_t blocks) { budget_ = blocks; }
    uint64_t blockBudget() const { return budget_; }
    // The thread block FS points at; its first word heads the exception chain,
    // emptied at the start of every top-level call.
    uint32_t threadBlock() const;
    // Names guest addresses in error messages (e.g. "kinemo.qlm+0x1a2b").
    void setAddressNamer(std::function<std::string(uint32_t)> namer) { namer_ = std::move(namer); }
    std::string describe(uint32_t addr) const;

private:
    struct Region {
        uint32_t base;
        uint32_t size;
        uint8_t* host;
    };
    struct Thunk {
        std::string name;
        int argSlots;
        Convention convention;
        ResultIn result;
        ThunkHandler handler;
    };

    friend struct Hooks;
    void setUpSegments();
    void setUpThunkArea();
    void addHooks();
    void addHook(int type, void* callback, uint64_t begin, uint64_t end, const char* what);
    void fail(const std::string& message);
    void failWith(std::exception_ptr error);
    void onThunk(uint32_t index);
    uint32_t reg(int id);
    void setReg(int id, uint32_t value);
    void setFpControl(FpControl fp);
    void loadHostFpState();
    Region* regionAt(uint32_t addr, uint32_t len);
    friend bool runningMachineHasPlainData(uint64_t addr);
    uint32_t permsAt(uint32_t addr) const;

    uc_struct* uc_ = nullptr;
    std::vector<Region> regions_;
    struct PermSpan {
        uint32_t base;
        uint32_t size;
        uint32_t perms;
    };
    std::vector<PermSpan> perms_;  // later spans override earlier ones
    bool hasRun_ = false;
    std::vector<std::unique_ptr<uint8_t, void (*)(void*)>> owned_;
    std::vector<Thunk> thunks_;
    uint32_t heapNext_ = 0;
    uint32_t heapEnd_ = 0;
    uint64_t budget_;
    uint64_t blocksLeft_ = 0;
    int depth_ = 0;
    std::exception_ptr error_;
    std::function<std::string(uint32_t)> namer_;
    size_t lastRegion_ = 0;
    FpControl hostFp_;
    bool hostFpLoaded_ = false;  // the CPU holds the host's control words
    bool leafHandlerRunning_ = false;
    uint8_t* stack_ = nullptr;   // host view of the guest stack
    uint8_t* teb_ = nullptr;
};

}  // namespace emu
