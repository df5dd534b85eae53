// Runs a computation under the module's floating-point control words and
// hands the host its own back, whatever state the host called with. When the
// host already left the defaults, the cost is two reads and a comparison.
#pragma once
#include "platform/fp_control.h"

// The compiler does not model the control words and may move register-only
// arithmetic across their loads; a body it can neither inline nor analyse
// keeps all of its arithmetic between them.
#if defined(__clang__)
#define KINEMO_FP_BODY __attribute__((noinline))
#else
#define KINEMO_FP_BODY __attribute__((noipa))
#endif

// Body is an out-of-line function (KINEMO_FP_BODY or defined in another file)
// that returns integers or float bits, never a float in a register.
template <class Body, class... Args>
__attribute__((always_inline)) inline auto inModuleFp(Body body, Args... args) {
    const FpControl host = readFpControl();
    if (computesAsModule(host)) return body(args...);
    loadFpControl(kModuleFpControl);
    const auto result = body(args...);
    restoreHostFpControl(host);
    return result;
}
