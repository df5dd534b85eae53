#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int16_t kUntouched = 0x5A5A;
constexpr float kStraightDown = std::bit_cast<float>(kDefaultGravityAngleBits);

struct Bound {
    Addr rd;
    Addr target;
};

// A created instance bound by hand, so these cases depend on the step alone.
Bound boundInstance(Module& m) {
    Addr rd = newInstance(m, newRunHeader(m));
    Addr target = newObject(m, kUntouched, kUntouched);
    run(m, rd).target = target;
    run(m, rd).objectSet = 1;
    return {rd, target};
}

struct StepCase {
    const char* name;
    float gravity = 0, gravityAngle = kStraightDown, xSpeed = 0, ySpeed = 0, x = 0, y = 0, maxSpeed = 0, minSpeed = 0, bounce = 100;
    int32_t mode = ModeNone;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    float wantX, wantY, wantXSpeed, wantYSpeed, wantAngle = 0, wantSpeed = 0;
    int16_t posX, posY;
};

}  // namespace

TEST_P(ModuleTest, StepIntegratesLimitsAndBoxesInOrder) {
    const StepCase cases[] = {
        {.name = "gravity before the move", .gravity = 50, .xSpeed = 200, .x = 100, .y = 100,
         .wantX = 102, .wantY = 100.005f, .wantXSpeed = 200, .wantYSpeed = 0.5f, .posX = 102, .posY = 100},
        {.name = "maximum after the move", .xSpeed = 300, .ySpeed = 400, .x = 10, .y = 10, .maxSpeed = 300,
         .wantX = 13, .wantY = 14, .wantXSpeed = 180, .wantYSpeed = 240, .wantAngle = -0.9272952f, .wantSpeed = 300,
         .posX = 13, .posY = 14},
        {.name = "minimum from +0 rest goes right", .x = 50, .y = 50, .minSpeed = 100,
         .wantX = 50, .wantY = 50, .wantXSpeed = 100, .wantYSpeed = -0.0f, .wantAngle = 0, .wantSpeed = 100,
         .posX = 50, .posY = 50},
        // cos of the default gravity angle is a tiny positive value: it would turn -0 into +0.
        {.name = "minimum from -0 rest goes left", .gravityAngle = 3.1415927f, .xSpeed = -0.0f, .minSpeed = 100,
         .wantX = 0, .wantY = 0, .wantXSpeed = -100, .wantYSpeed = -8.742278e-06f, .wantAngle = -3.1415927f,
         .wantSpeed = 100, .posX = 0, .posY = 0},
        {.name = "magnitude equal to both limits", .xSpeed = 300, .ySpeed = 400, .maxSpeed = 500, .minSpeed = 500,
         .wantX = 3, .wantY = 4, .wantXSpeed = 300, .wantYSpeed = 400, .posX = 3, .posY = 4},
        {.name = "negative maximum is off", .xSpeed = 300, .ySpeed = 400, .maxSpeed = -1,
         .wantX = 3, .wantY = 4, .wantXSpeed = 300, .wantYSpeed = 400, .posX = 3, .posY = 4},
        {.name = "wrap drops the overshoot", .xSpeed = 100, .x = 629.5f, .y = 30, .mode = ModeWrap,
         .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 10, .wantY = 30, .wantXSpeed = 100, .wantYSpeed = 0, .posX = 10, .posY = 30},
        {.name = "wrap above the top", .ySpeed = -100, .x = 30, .y = 20.5f, .mode = ModeWrap,
         .left = 10, .top = 21, .right = 630, .bottom = 460,
         .wantX = 30, .wantY = 460, .wantXSpeed = 0, .wantYSpeed = -100, .posX = 30, .posY = 460},
        {.name = "bounce on both axes damps twice", .xSpeed = 100, .ySpeed = 100, .x = 629.5f, .y = 459.5f,
         .bounce = 80, .mode = ModeBounce, .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 630, .wantY = 460, .wantXSpeed = -64, .wantYSpeed = -64, .posX = 630, .posY = 460},
        {.name = "bounce 100 only negates", .xSpeed = -100, .ySpeed = 7, .x = 10.5f, .y = 30, .mode = ModeBounce,
         .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 10, .wantY = 30.07f, .wantXSpeed = 100, .wantYSpeed = 7, .posX = 10, .posY = 30},
        {.name = "bounce 0 stops both", .xSpeed = 100, .ySpeed = 50, .x = 629.5f, .y = 30, .bounce = 0,
         .mode = ModeBounce, .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 630, .wantY = 30.5f, .wantXSpeed = -0.0f, .wantYSpeed = 0, .posX = 630, .posY = 30},
        {.name = "bounce after the limit", .xSpeed = 300, .ySpeed = 400, .x = 629.5f, .y = 30, .maxSpeed = 300,
         .bounce = 200, .mode = ModeBounce, .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 630, .wantY = 34, .wantXSpeed = -360, .wantYSpeed = 480, .wantAngle = -0.9272952f,
         .wantSpeed = 300, .posX = 630, .posY = 34},
        {.name = "on the bounds stays", .x = 630, .y = 20, .mode = ModeBounce,
         .left = 10, .top = 20, .right = 630, .bottom = 460,
         .wantX = 630, .wantY = 20, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 630, .posY = 20},
        {.name = "unknown mode ignores the box", .x = 700, .y = 500, .mode = 3, .right = 630, .bottom = 460,
         .wantX = 700, .wantY = 500, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 700, .posY = 500},
        {.name = "wrap, box inverted, x beyond right", .x = 70, .y = 70, .mode = ModeWrap,
         .left = 100, .top = 100, .right = 50, .bottom = 50,
         .wantX = 100, .wantY = 100, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 100, .posY = 100},
        {.name = "wrap, box inverted, x before right", .x = 20, .y = 20, .mode = ModeWrap,
         .left = 100, .top = 100, .right = 50, .bottom = 50,
         .wantX = 50, .wantY = 50, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 50, .posY = 50},
        {.name = "bounce, box inverted, inside both", .xSpeed = 1, .ySpeed = 1, .x = 70, .y = 70, .bounce = 50,
         .mode = ModeBounce, .left = 100, .top = 100, .right = 50, .bottom = 50,
         .wantX = 50, .wantY = 100, .wantXSpeed = -0.25f, .wantYSpeed = -0.25f, .posX = 50, .posY = 100},
        {.name = "bounce, box inverted, outside both", .x = 20, .y = 120, .mode = ModeBounce,
         .left = 100, .top = 100, .right = 50, .bottom = 50,
         .wantX = 100, .wantY = 50, .wantXSpeed = -0.0f, .wantYSpeed = -0.0f, .posX = 100, .posY = 50},
        {.name = "truncation toward zero", .x = -0.5f, .y = -1.7f,
         .wantX = -0.5f, .wantY = -1.7f, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 0, .posY = -1},
        {.name = "low 16 bits", .x = 40000, .y = -40000,
         .wantX = 40000, .wantY = -40000, .wantXSpeed = 0, .wantYSpeed = 0, .posX = -25536, .posY = 25536},
        {.name = "NaN and infinity write 0", .x = kNaN, .y = -kInf,
         .wantX = kNaN, .wantY = -kInf, .wantXSpeed = 0, .wantYSpeed = 0, .posX = 0, .posY = 0},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto [rd, target] = boundInstance(m());
        RunData& r = run(m(), rd);
        r.gravityStrength = c.gravity;
        r.gravityAngle = c.gravityAngle;
        r.xSpeed = c.xSpeed;
        r.ySpeed = c.ySpeed;
        r.x = c.x;
        r.y = c.y;
        r.maxSpeed = c.maxSpeed;
        r.minSpeed = c.minSpeed;
        r.bounceCoefficient = c.bounce;
        r.mode = c.mode;
        r.boundLeft = c.left;
        r.boundTop = c.top;
        r.boundRight = c.right;
        r.boundBottom = c.bottom;

        EXPECT_EQ(step(m(), rd), 2);
        EXPECT_EQ(f32Bits(r.x), f32Bits(c.wantX));
        EXPECT_EQ(f32Bits(r.y), f32Bits(c.wantY));
        EXPECT_EQ(f32Bits(r.xSpeed), f32Bits(c.wantXSpeed));
        EXPECT_EQ(f32Bits(r.ySpeed), f32Bits(c.wantYSpeed));
        EXPECT_EQ(f32Bits(r.angle), f32Bits(c.wantAngle));
        EXPECT_EQ(f32Bits(r.speed), f32Bits(c.wantSpeed));
        const HostObject& o = object(m(), target);
        EXPECT_EQ(o.posX, c.posX);
        EXPECT_EQ(o.posY, c.posY);
        EXPECT_EQ(o.updateFlagA, 1);
        EXPECT_EQ(o.updateFlagB, 1);
    }
}

TEST_P(ModuleTest, StepGateChangesNothing) {
    struct Case {
        const char* name;
        uint8_t objectSet, paused;
    };
    const Case cases[] = {{"unbound", 0, 0}, {"objectSet 2", 2, 0}, {"paused", 1, 1}, {"paused 7", 1, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [rd, target] = boundInstance(m());
        RunData& r = run(m(), rd);
        r.objectSet = c.objectSet;
        r.paused = c.paused;
        r.xSpeed = 100;
        r.gravityStrength = 50;
        r.minSpeed = 1000;
        const RunData before = r;

        EXPECT_EQ(step(m(), rd), 2);
        EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
        const HostObject& o = object(m(), target);
        EXPECT_EQ(o.posX, kUntouched);
        EXPECT_EQ(o.updateFlagA, 0);
        EXPECT_EQ(o.updateFlagB, 0);
    }
}
