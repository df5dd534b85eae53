#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ExpressionCode = kinemo::ExpressionCode;
using kinemo::HostRunHeader;
using kinemo::f32Bits;
using kinemo::kExpressionCount;

using namespace hostrec;
using namespace ExpressionCode;

namespace {

uint32_t fp(float v) { return f32Bits(v); }
uint32_t ip(int32_t v) { return static_cast<uint32_t>(v); }

Addr newKinemo(Module& m) {
    Addr rd = newInstance(m, newRunHeader(m));
    run(m, rd).angle = 1.0f;  // ignored
    return rd;
}

}  // namespace

TEST_P(ModuleTest, GeometryExpressionsRoundOnceToSingle) {
    struct Case {
        int code;
        float x, y;
        std::array<uint32_t, 4> params;  // the angle and distance to a point take two
        uint32_t bits;
    };
    const Case cases[] = {
        {GetAng, 100, 100, {ip(200), ip(100)}, 0x00000000},
        {GetAng, 100, 100, {ip(200), ip(0)}, 0x42340000},    // 45
        {GetAng, 100, 100, {ip(100), ip(0)}, 0x42B40000},    // 90
        {GetAng, 100, 100, {ip(0), ip(100)}, 0x43340000},    // 180
        {GetAng, 100, 100, {ip(100), ip(200)}, 0x4386FFFF},  // 269.99997: the single 2π lies below 2π
        {GetAng, 100, 100, {ip(200), ip(200)}, 0x439D8000},  // 315
        {GetAng, 100, 100, {ip(100), ip(100)}, 0x00000000},  // same point
        {GetAng, 100, 100, {ip(50), ip(158)}, 0x43653C84},   // single-precision 2π, not the double one
        // the position plays no part in the points' angle
        {GetAngPoints, 300, -70, {ip(0), ip(0), ip(10), ip(10)}, 0x439D8000},  // 315
        {GetAngPoints, 300, -70, {ip(0), ip(0), ip(0), ip(10)}, 0x4386FFFF},   // 269.99997
        {GetAngPoints, 300, -70, {ip(5), ip(5), ip(5), ip(5)}, 0x00000000},
        {GetAngPoints, 300, -70, {ip(10), ip(10), ip(10), ip(0)}, 0x42B40000},   // 90: y compared start minus end
        {GetAngPoints, 300, -70, {ip(0), ip(0), ip(-50), ip(58)}, 0x43653C83},  // double-precision 2π, not the single one
        {GetDist, 10.5f, 20.25f, {ip(13), ip(24)}, 0x409038D8},  // 4.506938934326172
        {GetDistPoints, 77, 77, {ip(0), ip(0), ip(3), ip(4)}, f32Bits(5.0f)},
        // every fetched position goes through the integer-or-float rule
        {GetDist, 0, 0, {ip(0), fp(0.5f)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {fp(0.5f), ip(0), ip(0), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), fp(0.5f), ip(0), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), ip(0), fp(0.5f), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), ip(0), ip(0), fp(0.5f)}, f32Bits(1056964608.0f)},
    };
    Addr rd = newKinemo(m());
    for (const Case& c : cases) {
        run(m(), rd).x = c.x;
        run(m(), rd).y = c.y;
        const auto& p = c.params;
        EXPECT_EQ(expression(m(), rd, c.code, {p[0], p[1], p[2], p[3]}), c.bits)
            << "expression " << c.code << " from " << c.x << ", " << c.y << " to " << testing::PrintToString(p);
    }
}

// The host does not say whether a parameter holds an integer or a float's
// bits; the value each pattern is read as shows in the distance from (0, 0)
// and its sign in the angle to it (180 for negative, 0 otherwise).
TEST_P(ModuleTest, ParametersAreReadAsIntegerOrFloat) {
    struct Case {
        const char* what;
        uint32_t raw;
        float value;
    };
    const Case cases[] = {
        {"integer 0", 0x00000000, 0.0f},
        {"integer 5", 0x00000005, 5.0f},
        {"integer -5", 0xFFFFFFFB, -5.0f},
        {"integer -1 (a NaN pattern)", 0xFFFFFFFF, -1.0f},
        {"integer 16777217", 0x01000001, 16777216.0f},
        {"integer 1065353215", 0x3F7FFFFF, 1065353216.0f},
        {"integer -620756992", 0xDB000000, -620756992.0f},
        {"integer -620756993 is a float", 0xDAFFFFFF, -36028794871480320.0f},
        {"float 1.0 / integer 1065353216", 0x3F800000, 1.0f},
        {"float 2.5", 0x40200000, 2.5f},
        {"float -2.5", 0xC0200000, -2.5f},
        {"float -1.0", 0xBF800000, -1.0f},
        {"float 0.5", 0x3F000000, 1056964608.0f},
        {"float -0.5", 0xBF000000, -1090519040.0f},
        {"float -0.0", 0x80000000, -2147483648.0f},
        {"float 4294967040", 0x4F7FFFFF, 4294967040.0f},
        {"float 4294967296", 0x4F800000, 1333788672.0f},
        {"float 2^63 out of range", 0x5F000000, 1593835520.0f},
        {"float -2^63", 0xDF000000, -553648128.0f},
        {"+inf", 0x7F800000, 2139095040.0f},
        {"-inf / integer -8388608", 0xFF800000, -8388608.0f},
        {"quiet NaN", 0x7FC00000, 2143289344.0f},
        {"signalling NaN", 0x7F800001, 2139095040.0f},
    };
    Addr rd = newKinemo(m());
    for (const Case& c : cases) {
        EXPECT_EQ(expression(m(), rd, GetDist, {c.raw, 0}), f32Bits(std::fabs(c.value))) << c.what;
        EXPECT_EQ(expression(m(), rd, GetAng, {c.raw, 0}), c.value < 0.0f ? f32Bits(180.0f) : 0u) << c.what;
    }
}

// Parameters come first/next with (rd, 2, handle); the position is read after the
// last fetch, since a host may move the object while it evaluates them.
TEST_P(ModuleTest, ParametersAreFetchedInOrderBeforeThePositionIsRead) {
    Addr header = newRunHeader(m());
    Addr rd = newInstance(m(), header);
    std::string slots;
    auto recorder = [&](char slot) {
        return [&, slot](std::span<const uint32_t> args) -> uint32_t {
            slots += slot;
            EXPECT_EQ(args[0], rd);
            EXPECT_EQ(args[1], 2u);
            EXPECT_EQ(args[2], 0xCAFEF00Du);
            if (slots.size() == 2) run(m(), rd).x = 30.0f;
            return slots.size() == 1 ? 0u : 40u;  // px 0, py 40, ...
        };
    };
    m().view<HostRunHeader>(header)->getFirstParam = m().callback(kdrv::CallbackKind::ParamFetch, recorder('F'));
    m().view<HostRunHeader>(header)->getNextParam = m().callback(kdrv::CallbackKind::ParamFetch, recorder('N'));
    for (int code = 0; code < kExpressionCount; ++code) {
        slots.clear();
        run(m(), rd).x = 0.0f;
        uint32_t result = m().callRoutine(RoutineKind::Expression, routine(m(), RoutineKind::Expression, code),
                                          {rd, 0xCAFEF00D});
        const char* want = code == GetDist || code == GetAng ? "FN" : code > GetAng ? "FNNN" : "";
        EXPECT_EQ(slots, want) << "expression " << code;
        if (code == GetDist) {
            EXPECT_EQ(result, f32Bits(50.0f)) << "position read before the last fetch";
        }
    }
}
