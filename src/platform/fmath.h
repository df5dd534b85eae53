// Double-precision libm calls used by the motion model. On win32 they come
// from msvcrt.dll (through the import table, never inlined x87 code), on the
// native build from the C library; both are fed and read as IEEE doubles.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>

#if defined(_WIN32)
extern "C" {
extern double (__cdecl* _imp__sin)(double);
extern double (__cdecl* _imp__cos)(double);
extern double (__cdecl* _imp__atan2)(double, double);
}
inline double kSin(double v) { return _imp__sin(v); }
inline double kCos(double v) { return _imp__cos(v); }
inline double atan2Raw(double y, double x) { return _imp__atan2(y, x); }
#else
inline double kSin(double v) { return std::sin(v); }
inline double kCos(double v) { return std::cos(v); }
inline double atan2Raw(double y, double x) { return std::atan2(y, x); }
#endif

inline double kSqrt(double v) { return std::sqrt(v); }

// atan2 with the module's zero rule: a zero y against a positive x (or +0)
// gives +0 whatever the sign of that zero y.
inline double kAtan2(double y, double x) {
    if (y == 0.0 && !std::signbit(x) && !std::isnan(x)) return 0.0;
    return atan2Raw(y, x);
}

// Truncation toward zero to int64; NaN, infinities and out-of-range values
// give INT64_MIN, as the x86 conversion instruction does.
inline int64_t truncToInt64(double v) {
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(v);
}

inline float f32(double v) { return static_cast<float>(v); }
inline double f64(float v) { return static_cast<double>(v); }
inline uint32_t f32Bits(float v) { return std::bit_cast<uint32_t>(v); }
inline float f32FromBits(uint32_t b) { return std::bit_cast<float>(b); }
