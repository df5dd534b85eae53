#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

namespace {

enum Code { SetAngle = 0, SetSpeed, SetObject, SetGravityStrength, SetGravityAngle, SetX, SetY, SetPosition,
            SetMinimumSpeed, SetMaximumSpeed, SetXSpeed, SetYSpeed };

struct Call {
    int code;
    int32_t p1 = 0, p2 = 0;
};

// An expected float: exact bits unless a tolerance is given.
struct Want {
    float value;
    float tolerance = -1;
};

void expectFloat(float actual, Want w, const char* field) {
    if (w.tolerance < 0)
        EXPECT_EQ(f32Bits(actual), f32Bits(w.value)) << field << " is " << actual;
    else
        EXPECT_NEAR(actual, w.value, w.tolerance) << field;
}

Addr runCalls(Module& m, Addr rd, const std::vector<Call>& calls) {
    for (const Call& c : calls)
        EXPECT_EQ(action(m, rd, c.code, static_cast<uint32_t>(c.p1), static_cast<uint32_t>(c.p2)), 0);
    return rd;
}

}  // namespace

TEST_P(ModuleTest, DirectionAndSpeedSettersRecompose) {
    struct Case {
        const char* name;
        std::vector<Call> calls;
        Want angle, speed, xSpeed, ySpeed;
    };
    const Case cases[] = {
        {"speed then angle moves up", {{SetSpeed, 500}, {SetAngle, 90}},
         {f32FromBits(0x3FC90FDA)}, {500}, {0.0000377f, 1e-6f}, {-500}},
        {"angle at rest keeps signed zeros", {{SetAngle, 90}}, {f32FromBits(0x3FC90FDA)}, {0}, {0.0f}, {-0.0f}},
        {"angle then speed reads the zero components", {{SetAngle, 90}, {SetSpeed, 500}}, {0}, {500}, {500}, {-0.0f}},
        {"a negative cosine at rest sends speed left", {{SetAngle, 180}, {SetSpeed, 500}},
         {3.1415927f}, {500}, {-500}, {4.371139e-05f, 1e-9f}},
        {"components then angle", {{SetXSpeed, 300}, {SetYSpeed, 400}, {SetAngle, 0}}, {0}, {500}, {500}, {-0.0f}},
        {"negative speed reverses", {{SetSpeed, -500}}, {0}, {-500}, {-500}, {0.0f}},
        {"speed keeps the reversed direction", {{SetSpeed, -500}, {SetSpeed, 500}},
         {-3.1415927f}, {500}, {-500}, {-4.371139e-05f, 1e-9f}},
        {"360 degrees is not reduced", {{SetAngle, 360}}, {f32FromBits(0x40C90FDA)}, {0}, {0}, {-0.0f, 1e-30f}},
        {"720 degrees is twice 360", {{SetAngle, 720}}, {12.56637f, 1e-5f}, {0}, {0}, {0, 1e-30f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunData& r = run(m(), runCalls(m(), newInstance(m(), newRunHeader(m())), c.calls));
        expectFloat(r.angle, c.angle, "angle");
        expectFloat(r.speed, c.speed, "speed");
        expectFloat(r.xSpeed, c.xSpeed, "xSpeed");
        expectFloat(r.ySpeed, c.ySpeed, "ySpeed");
    }
}

TEST_P(ModuleTest, PlainSettersRoundIntoTheirField) {
    struct Case {
        Call call;
        float RunData::*field;
        uint32_t bits;
    };
    const Case cases[] = {
        {{SetGravityAngle, 90}, &RunData::gravityAngle, 0x3FC90FDA},
        {{SetGravityAngle, -90}, &RunData::gravityAngle, 0xBFC90FDA},
        {{SetGravityStrength, -7}, &RunData::gravityStrength, f32Bits(-7)},
        {{SetX, 16777217}, &RunData::x, f32Bits(16777216)},
        {{SetY, -3}, &RunData::y, f32Bits(-3)},
        {{SetPosition, 11, 22}, &RunData::x, f32Bits(11)},
        {{SetPosition, 11, 22}, &RunData::y, f32Bits(22)},
        {{SetXSpeed, -2147483647 - 1}, &RunData::xSpeed, 0xCF000000},
        {{SetYSpeed, 16777219}, &RunData::ySpeed, f32Bits(16777220)},
    };
    for (const Case& c : cases) {
        Addr rd = newInstance(m(), newRunHeader(m()));
        runCalls(m(), rd, {c.call});
        EXPECT_EQ(f32Bits(run(m(), rd).*c.field), c.bits) << "action " << c.call.code;
    }
}

TEST_P(ModuleTest, SpeedLimitsGiveWayToEachOther) {
    struct Case {
        const char* name;
        std::vector<Call> calls;
        float minSpeed, maxSpeed;
    };
    const Case cases[] = {
        {"minimum under the default maximum", {{SetMinimumSpeed, 300}}, 0, 0},
        {"maximum first", {{SetMaximumSpeed, 1000}, {SetMinimumSpeed, 300}}, 300, 1000},
        {"minimum above maximum", {{SetMaximumSpeed, 1000}, {SetMinimumSpeed, 2000}}, 1000, 1000},
        {"maximum 0 under a minimum", {{SetMaximumSpeed, 1000}, {SetMinimumSpeed, 300}, {SetMaximumSpeed, 0}}, 300, 300},
        {"maximum 100 under a minimum", {{SetMaximumSpeed, 1000}, {SetMinimumSpeed, 300}, {SetMaximumSpeed, 100}},
         300, 300},
        {"clearing both", {{SetMaximumSpeed, 1000}, {SetMinimumSpeed, 300}, {SetMinimumSpeed, 0}, {SetMaximumSpeed, 0}},
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunData& r = run(m(), runCalls(m(), newInstance(m(), newRunHeader(m())), c.calls));
        EXPECT_EQ(r.minSpeed, c.minSpeed);
        EXPECT_EQ(r.maxSpeed, c.maxSpeed);
    }
}

TEST_P(ModuleTest, BindingTakesPositionAndBoxButKeepsTheMotion) {
    struct Case {
        const char* name;
        int16_t width, height, posX, posY, hotX, hotY, imageW, imageH;
        int32_t left, top, right, bottom;
    };
    const Case cases[] = {
        {"centred hot spot", 640, 480, 100, 200, 16, 16, 32, 32, 16, 16, 624, 464},
        {"image wider than the playfield", 640, 480, -5, 7, 0, 0, 700, 20, 0, 0, -60, 460},
        {"negative hot spot", 320, 200, 0, 0, -4, -8, 10, 10, -4, -8, 306, 182},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Addr rd = newInstance(m(), newRunHeader(m(), c.width, c.height));
        Addr target = newObject(m(), c.posX, c.posY, c.hotX, c.hotY, c.imageW, c.imageH);
        RunData& r = run(m(), rd);
        r.x = 0.75f;
        runCalls(m(), rd, {{SetXSpeed, 300}, {SetAngle, 45}, {SetObject, static_cast<int32_t>(target)}});
        EXPECT_EQ(r.target, target);
        EXPECT_EQ(r.objectSet, 1);
        EXPECT_EQ(f32Bits(r.x), f32Bits(c.posX));
        EXPECT_EQ(f32Bits(r.y), f32Bits(c.posY));
        EXPECT_EQ(r.boundLeft, c.left);
        EXPECT_EQ(r.boundTop, c.top);
        EXPECT_EQ(r.boundRight, c.right);
        EXPECT_EQ(r.boundBottom, c.bottom);
        EXPECT_NEAR(r.xSpeed, 212.132f, 1e-3f);
        EXPECT_EQ(object(m(), target).updateFlagA, 0);
    }
}

TEST_P(ModuleTest, BindingNoObjectIsIgnored) {
    Addr rd = newInstance(m(), newRunHeader(m()));
    action(m(), rd, SetObject, 0);
    EXPECT_EQ(run(m(), rd).objectSet, 0);
    EXPECT_EQ(step(m(), rd), 2);
}
