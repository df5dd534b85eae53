// How every expression hands back its value: the f32's bits as the result,
// with the float flag set in the instance's header so the host reads it as one.
#pragma once
#include <cstdint>
#include <cstring>

#include "motion/run_data.h"
#include "platform/fmath.h"

namespace kinemo {
inline uint32_t floatResult(RunData* rd, float value) {
    setFloatResultFlag(rd);
    return f32Bits(value);
}

// Copies a field's four bytes unchanged: no float load, so a signalling NaN
// or a negative zero reaches the host exactly as stored.
inline uint32_t copiedResult(RunData* rd, const float& field) {
    uint32_t bits;
    std::memcpy(&bits, &field, sizeof bits);
    setFloatResultFlag(rd);
    return bits;
}

}  // namespace kinemo
