// Calls into module code that runs in this process (the native build linked
// in, or a DLL that Windows loaded), made the way a host makes them: under the
// host's floating-point control words, loaded into this CPU right before the
// call and replaced by the driver's own right after it, with the host's
// callbacks reached through trampolines that switch back.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/module.h"

namespace kdrv::inproc {

FpState readFpState();
// x87 exception flags raised while `control` unmasks them: the real host
// would trap at its next x87 instruction.
uint16_t pendingX87Exceptions(uint16_t control);
void loadFpState(const FpState& s);
// Same control words; the sticky MXCSR status flags may differ.
bool sameControl(FpState a, FpState b);
std::string describe(FpState s);

// The call into the module in progress: the host's state, the driver's own,
// and the first callback that saw another state than the host's.
struct ModuleCall {
    FpState host;
    FpState driver;
    std::string callbackError;
};
extern ModuleCall* gCall;

// Runs `f`, the call into the module, under `host` and checks what the module
// left and what its callbacks saw; throws FpStateError naming what().
template <class F, class What>
uint32_t callUnder(const FpState& host, F f, What what) {
    ModuleCall call{host, readFpState(), {}};
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

// Pointers the module passes to a callback become 32-bit references through
// the mapping of the module that took the callback.
using ToRef = uint32_t (*)(const void* p);

// The host's callbacks carry no user data, so each kind has a pool of
// trampolines, one per live callback. A driver takes slots and gives them
// back when it closes.
class CallbackSlots {
public:
    explicit CallbackSlots(ToRef toRef) : toRef_(toRef) {}
    ~CallbackSlots();
    CallbackSlots(const CallbackSlots&) = delete;
    CallbackSlots& operator=(const CallbackSlots&) = delete;

    // The trampoline's address, for the module to call.
    const void* take(CallbackKind kind, Callback fn);

private:
    ToRef toRef_;
    std::vector<std::pair<CallbackKind, size_t>> taken_;
};

}  // namespace kdrv::inproc
