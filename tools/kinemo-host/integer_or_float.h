// The module's rule for the raw 32 bits of an expression argument: read as
// an f32, truncated toward zero to 64 bits; if the low 32 bits of that are
// zero, the bits are taken as an integer, otherwise as the float. So floats
// below 1 in magnitude, nan, inf and multiples of 2^32 arrive as integers.
// The host mirrors it to warn about arguments that will not mean what they say.
#pragma once
#include <cstdint>

namespace khost {

bool readAsInteger(uint32_t bits);

}  // namespace khost
