// Expression parameters: fetched from the host's run header, then read by
// the integer-or-float rule.
#pragma once
#include <cstdint>
#include <span>

#include "motion/run_data.h"
#include "platform/fmath.h"

namespace kinemo {
// Raw 32-bit parameters, in order: the first through getFirstParam, the rest
// through getNextParam, each called with (rd, 2, handle).
void fetchRawParams(RunData* rd, uint32_t paramHandle, std::span<uint32_t> raw);

// The host does not say whether a parameter is an integer or a float's bits.
// Read as a float, a value whose truncation toward zero to 64 bits has zero
// low 32 bits (NaN, infinities and the out-of-range included) is taken as a
// signed integer; any other as that float.
inline bool paramIsInteger(uint32_t raw) { return truncatedLow32(f32FromBits(raw)) == 0; }
float paramValue(uint32_t raw);

}  // namespace kinemo
