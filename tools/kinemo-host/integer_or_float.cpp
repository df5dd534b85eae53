#include "kinemo-host/integer_or_float.h"

#include <bit>
#include <cmath>

namespace khost {

bool readAsInteger(uint32_t bits) {
    const double f = std::bit_cast<float>(bits);
    // Out of the 64-bit range (nan and inf included) the truncation gives
    // 0x8000000000000000, whose low half is zero.
    constexpr double kTwo63 = 9223372036854775808.0;
    if (!(f >= -kTwo63 && f < kTwo63)) return true;
    const int64_t t = static_cast<int64_t>(std::trunc(f));
    return static_cast<uint32_t>(t) == 0;
}

}  // namespace khost
