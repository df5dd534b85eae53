#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

namespace {

enum Expr { GetDist = 11, GetAng = 12, GetDistPoints = 13, GetAngPoints = 14 };

uint32_t fp(float v) { return f32Bits(v); }
uint32_t ip(int32_t v) { return static_cast<uint32_t>(v); }

struct Instance {
    Addr header;
    Addr rd;
};

uint32_t evaluate(Module& m, Addr rd, int code, const std::vector<uint32_t>& p) {
    return p.size() == 2 ? expression(m, rd, code, {p[0], p[1]}) : expression(m, rd, code, {p[0], p[1], p[2], p[3]});
}

Instance newKinemoAt(Module& m, float x, float y) {
    Addr header = newRunHeader(m);
    Addr rd = newInstance(m, header);
    run(m, rd).x = x;
    run(m, rd).y = y;
    return {header, rd};
}

}  // namespace

TEST_P(ModuleTest, GetAngMeasuresFromThePrecisePosition) {
    struct Case {
        int32_t px, py;
        uint32_t bits;
    };
    const Case cases[] = {
        {200, 100, 0x00000000},  // 0
        {100, 0, 0x42B40000},    // 90
        {0, 100, 0x43340000},    // 180
        {100, 200, 0x4386FFFF},  // 269.99997: the single 2π lies below 2π
        {200, 0, 0x42340000},    // 45
        {0, 0, 0x43070000},      // 135
        {200, 200, 0x439D8000},  // 315
        {100, 100, 0x00000000},  // same point
        {50, 158, 0x43653C84},   // single-precision 2π, not the double one
    };
    auto [header, rd] = newKinemoAt(m(), 100.0f, 100.0f);
    run(m(), rd).angle = 1.0f;  // ignored
    for (const Case& c : cases)
        EXPECT_EQ(expression(m(), rd, GetAng, {ip(c.px), ip(c.py)}), c.bits) << c.px << ", " << c.py;
}

TEST_P(ModuleTest, GetAngPointsMeasuresBetweenItsParameters) {
    struct Case {
        int32_t x1, y1, x2, y2;
        uint32_t bits;
    };
    const Case cases[] = {
        {0, 0, 10, -10, 0x42340000},  // 45
        {0, 0, 10, 10, 0x439D8000},   // 315
        {0, 0, -10, 0, 0x43340000},   // 180
        {0, 0, 0, 10, 0x4386FFFF},    // 269.99997
        {5, 5, 5, 5, 0x00000000},     // equal points
        {10, 10, 10, 0, 0x42B40000},  // 90: y compared start minus end
        {0, 0, -50, 58, 0x43653C83},  // double-precision 2π, not the single one
    };
    auto [header, rd] = newKinemoAt(m(), 300.0f, -70.0f);  // the position plays no part
    for (const Case& c : cases)
        EXPECT_EQ(expression(m(), rd, GetAngPoints, {ip(c.x1), ip(c.y1), ip(c.x2), ip(c.y2)}), c.bits)
            << c.x1 << ", " << c.y1 << " to " << c.x2 << ", " << c.y2;
}

TEST_P(ModuleTest, DistancesRoundOnceToSingle) {
    struct Case {
        int code;
        float x, y;
        std::vector<uint32_t> params;
        uint32_t bits;
    };
    const Case cases[] = {
        {GetDist, 10.5f, 20.25f, {ip(13), ip(24)}, 0x409038D8},         // 4.506938934326172
        {GetDist, 0, 0, {fp(0.5f), ip(0)}, f32Bits(1056964608.0f)},     // 0.5 is read as its bits
        {GetDist, 0, 0, {fp(2.5f), ip(0)}, f32Bits(2.5f)},
        {GetDist, 1, 1, {ip(-5), ip(1)}, f32Bits(6.0f)},
        {GetDistPoints, 77, 77, {ip(0), ip(0), ip(3), ip(4)}, f32Bits(5.0f)},
        {GetDistPoints, 0, 0, {ip(3), ip(4), ip(0), ip(0)}, f32Bits(5.0f)},
        {GetDistPoints, 0, 0, {fp(1.5f), fp(-2.5f), fp(-1.5f), fp(1.5f)}, f32Bits(5.0f)},
        // every fetched position goes through the integer-or-float rule
        {GetDist, 0, 0, {ip(0), fp(0.5f)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {fp(0.5f), ip(0), ip(0), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), fp(0.5f), ip(0), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), ip(0), fp(0.5f), ip(0)}, f32Bits(1056964608.0f)},
        {GetDistPoints, 0, 0, {ip(0), ip(0), ip(0), fp(0.5f)}, f32Bits(1056964608.0f)},
    };
    for (const Case& c : cases) {
        auto [header, rd] = newKinemoAt(m(), c.x, c.y);
        EXPECT_EQ(evaluate(m(), rd, c.code, c.params), c.bits) << "expression " << c.code << " from " << c.x << ", " << c.y;
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
    auto [header, rd] = newKinemoAt(m(), 0.0f, 0.0f);
    for (const Case& c : cases) {
        EXPECT_EQ(expression(m(), rd, GetDist, {c.raw, 0}), f32Bits(std::fabs(c.value))) << c.what;
        uint32_t expectedAngle = c.value < 0.0f ? f32Bits(180.0f) : 0u;
        EXPECT_EQ(expression(m(), rd, GetAng, {c.raw, 0}), expectedAngle) << c.what;
    }
}

namespace {
struct Fetch {
    char slot;  // 'F' first, 'N' next
    uint32_t rd, source, handle;
};
}  // namespace

TEST_P(ModuleTest, ParametersAreFetchedInOrderWithTheRoutinesArguments) {
    struct Case {
        int code;
        std::string slots;
    };
    std::vector<Case> cases;
    for (int code = 0; code <= 10; ++code) cases.push_back({code, ""});
    cases.push_back({GetDist, "FN"});
    cases.push_back({GetAng, "FN"});
    cases.push_back({GetDistPoints, "FNNN"});
    cases.push_back({GetAngPoints, "FNNN"});

    auto [header, rd] = newKinemoAt(m(), 0.0f, 0.0f);
    std::vector<Fetch> fetches;
    auto recorder = [&fetches](char slot) {
        return [&fetches, slot](std::span<const uint32_t> args) -> uint32_t {
            fetches.push_back({slot, args[0], args[1], args[2]});
            return 1;
        };
    };
    m().view<HostRunHeader>(header)->getFirstParam = m().callback(kdrv::CallbackKind::ParamFetch, recorder('F'));
    m().view<HostRunHeader>(header)->getNextParam = m().callback(kdrv::CallbackKind::ParamFetch, recorder('N'));

    const uint32_t handle = 0xCAFEF00D;
    for (const Case& c : cases) {
        fetches.clear();
        m().callRoutine(RoutineKind::Expression, routine(m(), RoutineKind::Expression, c.code), {rd, handle});
        std::string slots;
        for (const Fetch& f : fetches) {
            slots += f.slot;
            EXPECT_EQ(f.rd, rd) << "expression " << c.code;
            EXPECT_EQ(f.source, 2u) << "expression " << c.code;
            EXPECT_EQ(f.handle, handle) << "expression " << c.code;
        }
        EXPECT_EQ(slots, c.slots) << "expression " << c.code;
    }
}

// A host may move the object while it evaluates parameters: the position is
// read only after the last fetch.
TEST_P(ModuleTest, PositionIsReadAfterAllFetches) {
    auto [header, rd] = newKinemoAt(m(), 0.0f, 0.0f);
    Module& mod = m();
    Addr instance = rd;
    int calls = 0;
    auto fetch = [&mod, instance, &calls](std::span<const uint32_t>) -> uint32_t {
        if (++calls == 2) run(mod, instance).x = 30.0f;
        return calls == 1 ? 0u : 40u;  // px 0, py 40
    };
    m().view<HostRunHeader>(header)->getFirstParam = m().callback(kdrv::CallbackKind::ParamFetch, fetch);
    m().view<HostRunHeader>(header)->getNextParam = m().callback(kdrv::CallbackKind::ParamFetch, fetch);
    uint32_t result = m().callRoutine(RoutineKind::Expression, routine(m(), RoutineKind::Expression, GetDist), {rd, 7});
    EXPECT_EQ(result, f32Bits(50.0f));
}
