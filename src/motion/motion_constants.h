// Constants of the motion model, each at the width the arithmetic uses.
#pragma once
#include <bit>
#include <cstdint>

#include "platform/fmath.h"

namespace kinemo {
// Degrees to radians in every action but the forced bounce.
constexpr double kDegreesToRadians = 0.017453292;
// The forced bounce converts with a longer constant of its own.
constexpr double kBounceDegreesToRadians = 0.01745329252;

// Speeds are in hundredths of a pixel, gravity in hundredths of a speed unit,
// the bounce coefficient in percent: all divide by this double.
constexpr double kHundred = 100.0;
// The undamped bounce coefficient, compared as a single.
constexpr float kFullBounce = 100.0f;

// Screen y grows downward, so vertical components are negated with this single.
constexpr float kMinusOne = -1.0f;

// One ulp below the single nearest 2*pi; added once to a negative direction.
constexpr uint32_t kFullTurnBits = 0x40C90FDA;
constexpr float kFullTurn = std::bit_cast<float>(kFullTurnBits);
// The double nearest 6.283185, used where the rotation measures the other way round.
constexpr double kFullTurnDouble = 6.283185;

}  // namespace kinemo
