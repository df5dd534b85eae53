// The processor's floating-point control words: x87 precision and rounding,
// and MXCSR rounding, flush-to-zero and denormals-are-zero. The host may leave
// any of them changed (Direct3D 9 drops the x87 to 24-bit precision), so the
// module reads, loads and restores them itself.
#pragma once
#include <cstdint>

namespace kinemo {
struct FpControl {
    uint16_t x87;
    uint32_t mxcsr;
};

// Windows' defaults: 53-bit x87 precision, round to nearest everywhere, every
// exception masked, no flush-to-zero or denormals-are-zero. The module's
// results are defined under these.
constexpr FpControl kModuleFpControl = {0x027F, 0x1F80};

// MXCSR's sticky exception flags record what happened; they change no result.
constexpr uint32_t kMxcsrStickyFlags = 0x003F;

#if defined(__i386__)
// The DLL: msvcrt's sin, cos and atan2 compute on the x87.
constexpr bool kX87Computes = true;
#else
// x86-64 computes with SSE alone, the C library's maths included; the x87
// control word changes nothing there and is left as the host set it.
constexpr bool kX87Computes = false;
#endif

inline bool computesAsModule(FpControl c) {
    return (!kX87Computes || c.x87 == kModuleFpControl.x87) &&
           (c.mxcsr & ~kMxcsrStickyFlags) == kModuleFpControl.mxcsr;
}

#if defined(__i386__) || defined(__x86_64__)
// "memory" clobbers keep loads and stores of floats on their side of these;
// register-only arithmetic is kept apart by calling it out of line.
inline FpControl readFpControl() {
    FpControl c = kModuleFpControl;
    if (kX87Computes) asm volatile("fnstcw %0" : "=m"(c.x87) : : "memory");
    asm volatile("stmxcsr %0" : "=m"(c.mxcsr) : : "memory");
    return c;
}

inline void loadFpControl(const FpControl& c) {
    if (kX87Computes) asm volatile("fldcw %0" : : "m"(c.x87) : "memory");
    asm volatile("ldmxcsr %0" : : "m"(c.mxcsr) : "memory");
}

// The x87 raises a pending exception that a newly loaded control word unmasks
// at its next instruction: clear the flags the module's own work left first,
// so a host with unmasked exceptions does not trip over them.
inline void restoreHostFpControl(const FpControl& host) {
    if (kX87Computes) asm volatile("fnclex" : : : "memory");
    loadFpControl(host);
}
#else
inline FpControl readFpControl() { return kModuleFpControl; }
inline void loadFpControl(const FpControl&) {}
inline void restoreHostFpControl(const FpControl&) {}
#endif

// Runs a computation under the module's control words and hands the host its
// own back, whatever state the host called with. When the host already left
// the defaults, the cost is two reads and a comparison.

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

}  // namespace kinemo
