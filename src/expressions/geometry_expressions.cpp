#include <array>

#include "expressions/expression_params.h"
#include "expressions/expressions.h"
#include "expressions/float_result.h"

namespace {
constexpr float kTwoPiSingle = 6.283185f;   // bits 0x40C90FDA
constexpr double kTwoPiDouble = 6.283185;   // the double, not the single above
constexpr float kRadToDeg = 57.29578f;      // bits 0x42652EE1

struct Point {
    float x;
    float y;
};

// All fetches happen before any parameter is read or used.
template <size_t N>
std::array<float, N> readParams(RunData* rd, uint32_t paramHandle) {
    std::array<uint32_t, N> raw{};
    fetchRawParams(rd, paramHandle, raw);
    std::array<float, N> values{};
    for (size_t i = 0; i < N; ++i) values[i] = paramValue(raw[i]);
    return values;
}

float distance(Point a, Point b) {
    double dx = f64(a.x) - f64(b.x);
    double dy = f64(a.y) - f64(b.y);
    return f32(kSqrt(dx * dx + dy * dy));
}

// Direction from `from` to `to` in radians; y is compared the other way
// round because screen y grows downward.
float directionRadians(Point from, Point to) {
    return f32(kAtan2(f64(from.y) - f64(to.y), f64(to.x) - f64(from.x)));
}

float toDegrees(float radians) { return f32(f64(radians) * f64(kRadToDeg)); }
}  // namespace

KINEMO_EXPRESSION(expGetDist) {
    auto [px, py] = readParams<2>(rd, paramHandle);
    return floatResult(rd, distance({px, py}, {rd->x, rd->y}));
}

KINEMO_EXPRESSION(expGetAng) {
    auto [px, py] = readParams<2>(rd, paramHandle);
    float a = directionRadians({rd->x, rd->y}, {px, py});
    if (a < 0.0f) a = f32(f64(a) + f64(kTwoPiSingle));
    return floatResult(rd, toDegrees(a));
}

KINEMO_EXPRESSION(expGetDistPoints) {
    auto [x1, y1, x2, y2] = readParams<4>(rd, paramHandle);
    return floatResult(rd, distance({x1, y1}, {x2, y2}));
}

KINEMO_EXPRESSION(expGetAngPoints) {
    auto [x1, y1, x2, y2] = readParams<4>(rd, paramHandle);
    float a = directionRadians({x1, y1}, {x2, y2});
    if (a < 0.0f) a = f32(f64(a) + kTwoPiDouble);
    return floatResult(rd, toDegrees(a));
}
