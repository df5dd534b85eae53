#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::RunData;
using kinemo::f32Bits;

using namespace hostrec;
using namespace ActionCode;

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180;
constexpr float kNoAngle = 0;  // action 28 ignores the stored angle
constexpr uint32_t kAnyBits = 0xFFFFFFFF;

struct Motion {
    float xSpeed, ySpeed;
};

Motion movingAt(double degrees, double speed = 500) {
    return {static_cast<float>(speed * std::cos(degrees * kRadPerDeg)),
            static_cast<float>(-speed * std::sin(degrees * kRadPerDeg))};
}

// For action 27 the goal is an object 1000 pixels away from (100, 100) in that direction.
uint32_t goalParam(Module& m, int code, int32_t goal) {
    if (code == RotateTowardsAngle) return static_cast<uint32_t>(goal);
    auto dx = static_cast<int16_t>(std::lround(1000 * std::cos(goal * kRadPerDeg)));
    auto dy = static_cast<int16_t>(std::lround(1000 * std::sin(goal * kRadPerDeg)));
    return newObject(m, static_cast<int16_t>(100 + dx), static_cast<int16_t>(100 - dy));
}

}  // namespace

TEST_P(ModuleTest, RotationTurnsTheShorterWayByAtMostTheStep) {
    struct Case {
        const char* name;
        int code;
        float storedAngle;
        Motion motion;
        int32_t step, goal;
        double wantDegrees;
        float wantX, wantY;
        // exact bits of angle, xSpeed and ySpeed; the step is the single of degrees × 0.017453292, not of π/180
        std::array<uint32_t, 3> bits = {kAnyBits, kAnyBits, kAnyBits};
    };
    const Case cases[] = {
        {"goal straight behind turns clockwise", RotateTowardsAngle, kNoAngle, movingAt(0), 10, 180, -10, 492.404f, 86.824f,
         {f32Bits(-0.17453292f), 0x43F633B2, 0x42ADA5EF}},
        {"a hair from the goal lands on it", RotateTowardsAngle, kNoAngle, {0.0000377f, -500}, 10, 90, 90, 0, -500,
         {0x3FC90FDA, 0x381E54A0, 0xC3FA0000}},
        {"goal equal to the direction stays", RotateTowardsAngle, kNoAngle, {500, 0}, 10, 0, 0, 500, 0, {0, 0x43FA0000, 0x80000000}},
        {"off the axes, a step short", RotateTowardsAngle, kNoAngle, movingAt(33), 7, 100, 40, 383.022f, -321.394f,
         {0x3F32B8C2, 0x43BF82D8, 0xC3A0B268}},
        {"off the axes, onto an aimed goal", RotateTowardsObject, 0.87266463f, movingAt(50), 10, 57, 56.9929392,
         272.371f, -419.302f, {0x3F7EA59B, 0x43882F83, 0xC3D1A69F}},
        {"crossing the x axis upward", RotateTowardsAngle, kNoAngle, movingAt(350), 15, 5, 365, 498.097f, -43.577f},
        {"crossing the x axis downward", RotateTowardsAngle, kNoAngle, movingAt(5), 15, 350, -10, 492.404f, 86.824f},
        {"a step past the goal lands on it", RotateTowardsAngle, kNoAngle, movingAt(30), 90, 40, 40, 383.022f, -321.394f},
        {"negative step below the goal", RotateTowardsAngle, kNoAngle, movingAt(30), -10, 90, 20, 469.846f, -171.010f},
        {"negative step above the goal", RotateTowardsAngle, kNoAngle, movingAt(100), -10, 90, 110, -171.010f, -469.846f},
        {"zero step keeps the direction", RotateTowardsAngle, kNoAngle, movingAt(30), 0, 90, 30, 433.013f, -250},
        {"goal -90 lands at once", RotateTowardsAngle, kNoAngle, movingAt(300), 10, -90, 270, 0, 500},
        {"goal 270 turns by the step", RotateTowardsAngle, kNoAngle, movingAt(300), 10, 270, 290, 171.010f, 469.846f},
        {"goal 450 lands at once", RotateTowardsAngle, kNoAngle, movingAt(30), 10, 450, 90, 0, -500},
        {"at rest from the components' 0", RotateTowardsAngle, 2.0f, {0, 0}, 10, 90, 10, 0, 0},
        {"at rest, a -0 x component points left", RotateTowardsAngle, kNoAngle, {-0.0f, 0}, 10, 90, 170, 0, 0},
        {"components after a bounce", RotateTowardsAngle, 0, {-500, 0}, 10, 90, 170, -492.404f, -86.824f},
        {"stored angle after a bounce", RotateTowardsObject, 0, {-500, 0}, 10, 90, 10, 492.404f, -86.824f},
        {"stored negative angle corrected once", RotateTowardsObject, -0.17453292f, movingAt(-10), 10, 90, 360, 500, 0},
        {"stored angle beyond a full turn lands", RotateTowardsObject, 7.0f, movingAt(0), 10, 0, 360, 500, 0},
        {"at rest keeps the stored angle", RotateTowardsObject, 1.0f, {0, 0}, 10, 180, 1.0 / kRadPerDeg + 10, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Addr rd = newInstance(m(), newRunHeader(m()));
        RunData& r = run(m(), rd);
        r.x = 100, r.y = 100;
        r.angle = c.storedAngle, r.xSpeed = c.motion.xSpeed, r.ySpeed = c.motion.ySpeed;
        EXPECT_EQ(action(m(), rd, c.code, static_cast<uint32_t>(c.step), goalParam(m(), c.code, c.goal)), 0);
        EXPECT_NEAR(r.angle, c.wantDegrees * kRadPerDeg, 2e-6);
        for (auto [field, bits] : {std::pair{r.angle, c.bits[0]}, {r.xSpeed, c.bits[1]}, {r.ySpeed, c.bits[2]}}) {
            if (bits != kAnyBits) {
                EXPECT_EQ(f32Bits(field), bits) << field;
            }
        }
        EXPECT_NEAR(r.xSpeed, c.wantX, 1e-3f);
        EXPECT_NEAR(r.ySpeed, c.wantY, 1e-3f);
        EXPECT_NEAR(r.speed, std::hypot(c.motion.xSpeed, c.motion.ySpeed), 1e-3f);
    }
}

TEST_P(ModuleTest, RotationStepsUpToTheGoalAndStays) {
    Addr rd = newInstance(m(), newRunHeader(m()));
    action(m(), rd, SetXSpeed, 500);
    const RunData& r = run(m(), rd);
    for (int turn = 1; turn <= 10; ++turn) {
        action(m(), rd, RotateTowardsAngle, 10, 90);
        EXPECT_NEAR(r.angle, std::min(turn, 9) * 10 * kRadPerDeg, 2e-6) << "turn " << turn;
    }
    EXPECT_NEAR(r.xSpeed, 0.0000974f, 1e-6f);
    EXPECT_EQ(r.ySpeed, -500);
    EXPECT_EQ(r.speed, 500);
}
