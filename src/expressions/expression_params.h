// Expression parameters: fetched from the host's run header, then read by
// the integer-or-float rule.
#pragma once
#include <cstdint>
#include <span>

#include "motion/run_data.h"

// Raw 32-bit parameters, in order: the first through getFirstParam, the rest
// through getNextParam, each called with (rd, 2, handle).
void fetchRawParams(RunData* rd, uint32_t paramHandle, std::span<uint32_t> raw);

// The host does not say whether a parameter is an integer or a float's bits.
// Read as a float, a value whose truncation has non-zero low 32 bits is taken
// as that float; otherwise the bits are a signed integer.
float paramValue(uint32_t raw);
