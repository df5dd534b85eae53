// Double-precision libm calls used by the motion model. On Windows they come
// from msvcrt.dll (through the import table, never inlined x87 code or
// mingw's own versions), on the native build from the C library; both are
// fed and read as IEEE doubles.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#if defined(_WIN32)
// The import slots' names: x86-64 symbols carry no leading underscore.
#if defined(_WIN64)
#define KINEMO_MSVCRT(name) __imp_##name
#else
#define KINEMO_MSVCRT(name) _imp__##name
#endif
extern "C" {
extern double (__cdecl* KINEMO_MSVCRT(sin))(double);
extern double (__cdecl* KINEMO_MSVCRT(cos))(double);
extern double (__cdecl* KINEMO_MSVCRT(atan2))(double, double);
}
#endif

namespace kinemo {

#if defined(_WIN32)
inline double kSin(double v) { return KINEMO_MSVCRT(sin)(v); }
inline double kCos(double v) { return KINEMO_MSVCRT(cos)(v); }
inline double atan2Raw(double y, double x) { return KINEMO_MSVCRT(atan2)(y, x); }
#elif defined(__EMSCRIPTEN__)
// WebAssembly: emscripten's C library gives another last bit than glibc's for
// a few percent of sin and cos arguments and a fifth of atan2's. Computed in
// its quad precision and rounded once, they agree with glibc's almost always.
inline double kSin(double v) { return static_cast<double>(sinl(v)); }
inline double kCos(double v) { return static_cast<double>(cosl(v)); }
inline double atan2Raw(double y, double x) { return static_cast<double>(atan2l(y, x)); }
#else
inline double kSin(double v) { return std::sin(v); }
inline double kCos(double v) { return std::cos(v); }
inline double atan2Raw(double y, double x) { return std::atan2(y, x); }
#endif

inline double kSqrt(double v) { return std::sqrt(v); }

constexpr double kPi = 3.141592653589793;       // 0x400921FB54442D18
constexpr double kHalfPi = 1.5707963267948966;  // 0x3FF921FB54442D18

// atan2 with the module's zero rule, decided here for every zero argument.
// msvcrt answers atan2(+-0, +-0) with 0 (a domain error) where the rule wants
// pi with the sign of y against a negative x or -0, so the library never sees
// a zero y. A zero x is decided here too: the angle is exactly a quarter turn
// with the sign of y, the same double from every library, and leaving it out
// keeps the library to the arguments where it really computes, away from its
// error paths. NaNs propagate without a call for the same reason.
inline double kAtan2(double y, double x) {
    if (std::isnan(y) || std::isnan(x)) return y + x;
    if (y == 0.0) return std::signbit(x) ? std::copysign(kPi, y) : 0.0;
    if (x == 0.0) return std::copysign(kHalfPi, y);
    return atan2Raw(y, x);
}

// The low 32 bits of v truncated toward zero to a 64-bit integer, where NaN,
// infinities and |v| >= 2^63 give the integer indefinite INT64_MIN (low bits 0).
// Only SSE truncation and bit arithmetic: nothing depends on the x87 control
// word the host left.
inline uint32_t truncatedLow32(float v) {
    // cvttss2si answers INT32_MIN for NaN, anything out of range and -2^31 itself.
#if defined(__SSE__)
    const int32_t t = _mm_cvttss_si32(_mm_set_ss(v));
#else
    // WebAssembly: the same answer, with the range tested before converting.
    const int32_t t = v >= -2147483648.0f && v < 2147483648.0f ? static_cast<int32_t>(v) : INT32_MIN;
#endif
    if (t != INT32_MIN) return static_cast<uint32_t>(t);
    // From here v is NaN or |v| >= 2^31, so an integer: its significand shifted left.
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    if (exponent >= 63) return 0;
    const uint32_t significand = (bits & 0x007FFFFF) | 0x00800000;
    const int shift = exponent - 23;  // 8 to 39
    const uint32_t magnitude = shift < 32 ? significand << shift : 0;
    return (bits >> 31) != 0 ? 0u - magnitude : magnitude;
}

inline float f32(double v) { return static_cast<float>(v); }
inline double f64(float v) { return static_cast<double>(v); }
inline uint32_t f32Bits(float v) { return std::bit_cast<uint32_t>(v); }
inline float f32FromBits(uint32_t b) { return std::bit_cast<float>(b); }

}  // namespace kinemo
