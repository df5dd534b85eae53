#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using kinemo::HostObject;
using kinemo::ModeBounce;
using kinemo::ModeNone;
using kinemo::ModeWrap;
using kinemo::RunData;
using kinemo::f32Bits;
using kinemo::kDefaultGravityAngleBits;

using namespace hostrec;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int16_t kUntouched = 0x5A5A;
constexpr float kStraightDown = std::bit_cast<float>(kDefaultGravityAngleBits);

// A created instance bound by hand, so these cases depend on the step alone.
Addr boundInstance(Module& m, Addr target) {
    Addr rd = newInstance(m, newRunHeader(m));
    run(m, rd).target = target;
    run(m, rd).objectSet = 1;
    return rd;
}

struct Motion {
    float x, y, xSpeed, ySpeed, angle = 0, speed = 0;
};

std::array<uint32_t, 6> bitsOf(const Motion& s) {
    return {f32Bits(s.x), f32Bits(s.y), f32Bits(s.xSpeed), f32Bits(s.ySpeed), f32Bits(s.angle), f32Bits(s.speed)};
}

struct StepCase {
    const char* name;
    float gravity = 0, gravityAngle = kStraightDown;
    Motion from;
    float maxSpeed = 0, minSpeed = 0, bounce = 100;
    int32_t mode = ModeNone;
    std::array<int32_t, 4> box{};  // left, top, right, bottom
    Motion to;
    std::array<int16_t, 2> pos;
};

constexpr std::array<int32_t, 4> kBox = {10, 20, 630, 460}, kInverted = {100, 100, 50, 50};

}  // namespace

TEST_P(ModuleTest, StepIntegratesLimitsAndBoxesInOrder) {
    const StepCase cases[] = {
        {.name = "gravity before the move", .gravity = 50, .from = {100, 100, 200, 0},
         .to = {102, 100.005f, 200, 0.5f}, .pos = {102, 100}},
        {.name = "maximum after the move", .from = {10, 10, 300, 400}, .maxSpeed = 300,
         .to = {13, 14, 180, 240, -0.9272952f, 300}, .pos = {13, 14}},
        {.name = "minimum from +0 rest goes right", .from = {50, 50, 0, 0}, .minSpeed = 100,
         .to = {50, 50, 100, -0.0f, 0, 100}, .pos = {50, 50}},
        // cos of the default gravity angle is a tiny positive value: it would turn -0 into +0.
        {.name = "minimum from -0 rest goes left", .gravityAngle = 3.1415927f, .from = {0, 0, -0.0f, 0}, .minSpeed = 100,
         .to = {0, 0, -100, -8.742278e-06f, -3.1415927f, 100}, .pos = {0, 0}},
        {.name = "magnitude equal to both limits", .from = {0, 0, 300, 400}, .maxSpeed = 500, .minSpeed = 500,
         .to = {3, 4, 300, 400}, .pos = {3, 4}},
        {.name = "negative maximum is off", .from = {0, 0, 300, 400}, .maxSpeed = -1, .to = {3, 4, 300, 400}, .pos = {3, 4}},
        {.name = "negative minimum is off", .from = {0, 0, 0, 0}, .minSpeed = -100, .to = {0, 0, 0, 0}, .pos = {0, 0}},
        // limits of exactly 1 still act; a minimum raises a motion that is not at rest
        {.name = "maximum of 1", .from = {0, 0, 300, 400}, .maxSpeed = 1, .to = {3, 4, 0.6f, 0.8f, -0.9272952f, 1}, .pos = {3, 4}},
        {.name = "minimum of 1", .from = {0, 0, 0, 0}, .minSpeed = 1, .to = {0, 0, 1, -0.0f, 0, 1}, .pos = {0, 0}},
        {.name = "minimum raises a slow motion", .from = {0, 0, 3, 4}, .minSpeed = 100,
         .to = {0.03f, 0.04f, 60, 80, -0.9272952f, 100}, .pos = {0, 0}},
        {.name = "wrap drops the overshoot", .from = {629.5f, 30, 100, 0}, .mode = ModeWrap, .box = kBox,
         .to = {10, 30, 100, 0}, .pos = {10, 30}},
        {.name = "wrap above the top", .from = {30, 20.5f, 0, -100}, .mode = ModeWrap, .box = {10, 21, 630, 460},
         .to = {30, 460, 0, -100}, .pos = {30, 460}},
        {.name = "bounce on both axes damps twice", .from = {629.5f, 459.5f, 100, 100}, .bounce = 80,
         .mode = ModeBounce, .box = kBox, .to = {630, 460, -64, -64}, .pos = {630, 460}},
        {.name = "bounce 100 only negates", .from = {10.5f, 30, -100, 7}, .mode = ModeBounce, .box = kBox,
         .to = {10, 30.07f, 100, 7}, .pos = {10, 30}},
        {.name = "bounce 0 stops both", .from = {629.5f, 30, 100, 50}, .bounce = 0, .mode = ModeBounce, .box = kBox,
         .to = {630, 30.5f, -0.0f, 0}, .pos = {630, 30}},
        {.name = "bounce after the limit", .from = {629.5f, 30, 300, 400}, .maxSpeed = 300, .bounce = 200,
         .mode = ModeBounce, .box = kBox, .to = {630, 34, -360, 480, -0.9272952f, 300}, .pos = {630, 34}},
        // every bound at equality: a bounce would turn +0 into -0
        {.name = "on the right and top bounds stays", .from = {630, 20, 0, 0}, .mode = ModeBounce, .box = kBox,
         .to = {630, 20, 0, 0}, .pos = {630, 20}},
        {.name = "on the left and bottom bounds stays", .from = {10, 460, 0, 0}, .mode = ModeBounce, .box = kBox,
         .to = {10, 460, 0, 0}, .pos = {10, 460}},
        {.name = "wrap on the right and bottom bounds stays", .from = {630, 460, 0, 0}, .mode = ModeWrap, .box = kBox,
         .to = {630, 460, 0, 0}, .pos = {630, 460}},
        {.name = "wrap on the left and top bounds stays", .from = {10, 20, 0, 0}, .mode = ModeWrap, .box = kBox,
         .to = {10, 20, 0, 0}, .pos = {10, 20}},
        {.name = "unknown mode ignores the box", .from = {700, 500, 0, 0}, .mode = 3, .box = {0, 0, 630, 460},
         .to = {700, 500, 0, 0}, .pos = {700, 500}},
        {.name = "wrap, box inverted, x beyond right", .from = {70, 70, 0, 0}, .mode = ModeWrap, .box = kInverted,
         .to = {100, 100, 0, 0}, .pos = {100, 100}},
        {.name = "wrap, box inverted, x before right", .from = {20, 20, 0, 0}, .mode = ModeWrap, .box = kInverted,
         .to = {50, 50, 0, 0}, .pos = {50, 50}},
        {.name = "bounce, box inverted, inside both", .from = {70, 70, 1, 1}, .bounce = 50, .mode = ModeBounce,
         .box = kInverted, .to = {50, 100, -0.25f, -0.25f}, .pos = {50, 100}},
        {.name = "bounce, box inverted, outside both", .from = {20, 120, 0, 0}, .mode = ModeBounce, .box = kInverted,
         .to = {100, 50, -0.0f, -0.0f}, .pos = {100, 50}},
        {.name = "truncation toward zero", .from = {-0.5f, -1.7f, 0, 0}, .to = {-0.5f, -1.7f, 0, 0}, .pos = {0, -1}},
        {.name = "low 16 bits", .from = {40000, -40000, 0, 0}, .to = {40000, -40000, 0, 0}, .pos = {-25536, 25536}},
        {.name = "beyond 32 bits, the 64-bit truncation's low bits", .from = {3e9f, -3e9f, 0, 0},
         .to = {3e9f, -3e9f, 0, 0}, .pos = {24064, -24064}},
        {.name = "NaN and infinity write 0", .from = {kNaN, -kInf, 0, 0}, .to = {kNaN, -kInf, 0, 0}, .pos = {0, 0}},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        Addr target = newObject(m(), kUntouched, kUntouched);
        Addr rd = boundInstance(m(), target);
        RunData& r = run(m(), rd);
        r.gravityStrength = c.gravity;
        r.gravityAngle = c.gravityAngle;
        r.x = c.from.x, r.y = c.from.y, r.xSpeed = c.from.xSpeed, r.ySpeed = c.from.ySpeed;
        r.maxSpeed = c.maxSpeed, r.minSpeed = c.minSpeed, r.bounceCoefficient = c.bounce, r.mode = c.mode;
        r.boundLeft = c.box[0], r.boundTop = c.box[1], r.boundRight = c.box[2], r.boundBottom = c.box[3];

        EXPECT_EQ(step(m(), rd), 2);
        EXPECT_EQ(bitsOf({r.x, r.y, r.xSpeed, r.ySpeed, r.angle, r.speed}), bitsOf(c.to));
        const HostObject& o = object(m(), target);
        EXPECT_EQ((std::array<int, 4>{o.posX, o.posY, o.updateFlagA, o.updateFlagB}),
                  (std::array<int, 4>{c.pos[0], c.pos[1], 1, 1}));
    }
}

TEST_P(ModuleTest, StepGateChangesNothing) {
    const std::array<uint8_t, 2> gates[] = {{0, 0}, {2, 0}, {1, 1}, {1, 7}};  // objectSet, paused
    for (auto [objectSet, paused] : gates) {
        SCOPED_TRACE(testing::Message() << "objectSet " << int(objectSet) << ", paused " << int(paused));
        Addr target = newObject(m(), kUntouched, kUntouched);
        Addr rd = boundInstance(m(), target);
        RunData& r = run(m(), rd);
        r.objectSet = objectSet, r.paused = paused;
        r.xSpeed = 100, r.gravityStrength = 50, r.minSpeed = 1000;
        const RunData before = r;

        EXPECT_EQ(step(m(), rd), 2);
        EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
        const HostObject& o = object(m(), target);
        EXPECT_EQ((std::array<int, 3>{o.posX, o.updateFlagA, o.updateFlagB}), (std::array<int, 3>{kUntouched, 0, 0}));
    }
}
