// What the x87 control word does to a result that msvcrt computes on the
// x87: precision control (bits 8-9) and rounding control (bits 10-11).
#pragma once
#include <cstdint>

namespace emu {

// Significand bits a double result keeps under this control word: 24, or 53
// for the 53- and 64-bit settings (a 64-bit result is stored as a double
// under the same rounding control). The reserved setting 01 counts as 64.
int x87ResultBits(uint16_t controlWord);

// `precise` (a better approximation than the double) rounded to the
// control word's precision in its rounding direction.
double roundAsX87(long double precise, uint16_t controlWord);

// Whether a result under this control word is the C library's double
// unchanged: nearest rounding at 53 or 64 bits, so a host with Windows'
// defaults sees what the native build computes.
bool x87KeepsDouble(uint16_t controlWord);

// The served result: `library`, or else `precise()` (computed only then)
// rounded as above.
template <class Precise>
double x87Result(double library, Precise precise, uint16_t controlWord) {
    return x87KeepsDouble(controlWord) ? library : roundAsX87(precise(), controlWord);
}

}  // namespace emu
