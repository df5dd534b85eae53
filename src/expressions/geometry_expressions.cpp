#include <array>

#include "expressions/expression_params.h"
#include "expressions/expressions.h"
#include "expressions/float_result.h"
#include "platform/fp_control.h"

namespace kinemo {
namespace {
constexpr float kTwoPiSingle = 6.283185f;   // bits 0x40C90FDA
constexpr double kTwoPiDouble = 6.283185;   // the double, not the single above
constexpr float kRadToDeg = 57.29578f;      // bits 0x42652EE1

struct Point {
    float x;
    float y;
};

template <size_t N>
using RawParams = std::array<uint32_t, N>;

// All fetches happen before any parameter is read or used, under the host's
// floating-point state: each runs the host's own expression evaluator.
template <size_t N>
RawParams<N> fetchParams(RunData* rd, uint32_t paramHandle) {
    RawParams<N> raw{};
    fetchRawParams(rd, paramHandle, raw);
    return raw;
}

template <size_t N>
std::array<float, N> readParams(const RawParams<N>& raw) {
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

KINEMO_FP_BODY uint32_t distanceToPoint(RunData* rd, const RawParams<2>* raw) {
    auto [px, py] = readParams(*raw);
    return floatResult(rd, distance({px, py}, {rd->x, rd->y}));
}

KINEMO_FP_BODY uint32_t angleToPoint(RunData* rd, const RawParams<2>* raw) {
    auto [px, py] = readParams(*raw);
    float a = directionRadians({rd->x, rd->y}, {px, py});
    if (a < 0.0f) a = f32(f64(a) + f64(kTwoPiSingle));
    return floatResult(rd, toDegrees(a));
}

KINEMO_FP_BODY uint32_t distanceBetween(RunData* rd, const RawParams<4>* raw) {
    auto [x1, y1, x2, y2] = readParams(*raw);
    return floatResult(rd, distance({x1, y1}, {x2, y2}));
}

KINEMO_FP_BODY uint32_t angleBetween(RunData* rd, const RawParams<4>* raw) {
    auto [x1, y1, x2, y2] = readParams(*raw);
    float a = directionRadians({x1, y1}, {x2, y2});
    if (a < 0.0f) a = f32(f64(a) + kTwoPiDouble);
    return floatResult(rd, toDegrees(a));
}

// The host's evaluator hands out the parameters in its own state; only the
// arithmetic runs under the module's.
template <size_t N, auto Body>
uint32_t fetchThenCompute(RunData* rd, uint32_t paramHandle) {
    const auto raw = fetchParams<N>(rd, paramHandle);
    return inModuleFp(Body, rd, &raw);
}

}  // namespace

KINEMO_EXPRESSION(expGetDist) { return fetchThenCompute<2, distanceToPoint>(rd, paramHandle); }
KINEMO_EXPRESSION(expGetAng) { return fetchThenCompute<2, angleToPoint>(rd, paramHandle); }
KINEMO_EXPRESSION(expGetDistPoints) { return fetchThenCompute<4, distanceBetween>(rd, paramHandle); }
KINEMO_EXPRESSION(expGetAngPoints) { return fetchThenCompute<4, angleBetween>(rd, paramHandle); }

}  // namespace kinemo
