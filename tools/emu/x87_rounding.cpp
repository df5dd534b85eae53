#include "emu/x87_rounding.h"

#include <cmath>

namespace emu {
namespace {

enum class Rounding : uint8_t { Nearest, Down, Up, TowardZero };

Rounding roundingOf(uint16_t controlWord) { return Rounding((controlWord >> 10) & 3); }

// An integral long double in the given direction; ties go to even.
long double roundIntegral(long double v, Rounding r) {
    switch (r) {
        case Rounding::Down: return std::floor(v);
        case Rounding::Up: return std::ceil(v);
        case Rounding::TowardZero: return std::trunc(v);
        case Rounding::Nearest: break;
    }
    const long double below = std::floor(v), fraction = v - below;
    if (fraction > 0.5L) return below + 1;
    if (fraction < 0.5L) return below;
    return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

}  // namespace

int x87ResultBits(uint16_t controlWord) { return ((controlWord >> 8) & 3) == 0 ? 24 : 53; }

double roundAsX87(long double precise, uint16_t controlWord) {
    if (!std::isfinite(precise) || precise == 0) return double(precise);
    // precise = f * 2^e with 0.5 <= |f| < 1; scaling f by 2^bits is exact in
    // the 64-bit significand, so one integral rounding does it. Results below
    // the double's normal range round once more when stored (never seen from
    // sin, cos or atan2 of the module's arguments).
    const int bits = x87ResultBits(controlWord);
    int e = 0;
    const long double f = std::frexp(precise, &e);
    return double(std::ldexp(roundIntegral(std::ldexp(f, bits), roundingOf(controlWord)), e - bits));
}

bool x87KeepsDouble(uint16_t controlWord) {
    return x87ResultBits(controlWord) == 53 && roundingOf(controlWord) == Rounding::Nearest;
}

}  // namespace emu
