#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;
using namespace ActionCode;

namespace {

struct Call {
    int code;
    int32_t p1 = 0, p2 = 0;
};

uint32_t f(float v) { return f32Bits(v); }

RunData& afterCalls(Module& m, Addr rd, const std::vector<Call>& calls) {
    for (const Call& c : calls)
        EXPECT_EQ(action(m, rd, c.code, static_cast<uint32_t>(c.p1), static_cast<uint32_t>(c.p2)), 0);
    return run(m, rd);
}

RunData& afterCalls(Module& m, const std::vector<Call>& calls) {
    return afterCalls(m, newInstance(m, newRunHeader(m)), calls);
}

}  // namespace

TEST_P(ModuleTest, DirectionAndSpeedSettersRecompose) {
    struct Case {
        const char* name;
        std::vector<Call> calls;
        std::array<uint32_t, 4> bits;  // angle, speed, xSpeed, ySpeed
    };
    const Case cases[] = {
        {"speed then angle moves up", {{SetSpeed, 500}, {SetAngle, 90}}, {0x3FC90FDA, f(500), 0x381E54A0, f(-500)}},
        {"angle at rest keeps signed zeros", {{SetAngle, 90}}, {0x3FC90FDA, 0, 0, f(-0.0f)}},
        {"angle then speed reads the zero components", {{SetAngle, 90}, {SetSpeed, 500}}, {0, f(500), f(500), f(-0.0f)}},
        {"a negative cosine at rest sends speed left", {{SetAngle, 180}, {SetSpeed, 500}},
         {0x40490FDB, f(500), f(-500), 0x383756BF}},
        {"components then angle", {{SetXSpeed, 300}, {SetYSpeed, 400}, {SetAngle, 0}}, {0, f(500), f(500), f(-0.0f)}},
        {"negative speed reverses", {{SetSpeed, -500}}, {0, f(-500), f(-500), 0}},
        {"speed keeps the reversed direction", {{SetSpeed, -500}, {SetSpeed, 500}},
         {0xC0490FDB, f(500), f(-500), 0xB83756BF}},
        // the single 2π lies below 2π: a negative sine times −0 gives +0
        {"360 degrees is not reduced", {{SetAngle, 360}}, {0x40C90FDA, 0, 0, 0}},
        {"720 degrees is not reduced either", {{SetAngle, 720}}, {0x41490FDA, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const RunData& r = afterCalls(m(), c.calls);
        EXPECT_EQ((std::array{f(r.angle), f(r.speed), f(r.xSpeed), f(r.ySpeed)}), c.bits) << c.name;
    }
}

// Each row checks one field after the calls, on a new instance.
TEST_P(ModuleTest, PlainSettersAndSpeedLimitsFillTheirFields) {
    const Call max1000 = {SetMaximumSpeed, 1000}, min300 = {SetMinimumSpeed, 300};
    struct Case {
        std::vector<Call> calls;
        float RunData::*field;
        uint32_t bits;
    };
    const Case cases[] = {
        {{{SetGravityAngle, 90}}, &RunData::gravityAngle, 0x3FC90FDA},
        {{{SetGravityAngle, -90}}, &RunData::gravityAngle, 0xBFC90FDA},
        {{{SetGravityStrength, -7}}, &RunData::gravityStrength, f(-7)},
        {{{SetX, 16777217}}, &RunData::x, f(16777216)},
        {{{SetY, -3}}, &RunData::y, f(-3)},
        {{{SetPosition, 11, 22}}, &RunData::x, f(11)},
        {{{SetPosition, 11, 22}}, &RunData::y, f(22)},
        {{{SetXSpeed, -2147483647 - 1}}, &RunData::xSpeed, 0xCF000000},
        {{{SetYSpeed, 16777219}}, &RunData::ySpeed, f(16777220)},
        // the speed limits give way to each other
        {{min300}, &RunData::minSpeed, 0},  // not above the default maximum 0
        {{max1000, min300}, &RunData::minSpeed, f(300)},
        {{max1000, min300}, &RunData::maxSpeed, f(1000)},
        {{max1000, {SetMinimumSpeed, 2000}}, &RunData::minSpeed, f(1000)},
        {{max1000, min300, {SetMaximumSpeed, 0}}, &RunData::maxSpeed, f(300)},
        {{max1000, min300, {SetMaximumSpeed, 100}}, &RunData::maxSpeed, f(300)},
        {{max1000, min300, {SetMinimumSpeed, 0}, {SetMaximumSpeed, 0}}, &RunData::minSpeed, 0},
        {{max1000, min300, {SetMinimumSpeed, 0}, {SetMaximumSpeed, 0}}, &RunData::maxSpeed, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f(afterCalls(m(), c.calls).*c.field), c.bits) << "row " << &c - cases;
}

// Binding takes the position and box of the object but keeps the motion;
// no object (0) is ignored.
TEST_P(ModuleTest, BindingTakesPositionAndBoxButKeepsTheMotion) {
    struct Case {
        const char* name;
        int16_t width, height, posX, posY, hotX, hotY, imageW, imageH;
        std::array<int32_t, 4> box;  // left, top, right, bottom
    };
    const Case cases[] = {
        {"centred hot spot", 640, 480, 100, 200, 16, 16, 32, 32, {16, 16, 624, 464}},
        {"image wider than the playfield", 640, 480, -5, 7, 0, 0, 700, 20, {0, 0, -60, 460}},
        {"negative hot spot", 320, 200, 0, 0, -4, -8, 10, 10, {-4, -8, 306, 182}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Addr rd = newInstance(m(), newRunHeader(m(), c.width, c.height));
        Addr target = newObject(m(), c.posX, c.posY, c.hotX, c.hotY, c.imageW, c.imageH);
        run(m(), rd).x = 0.75f;
        RunData& r = afterCalls(m(), rd, {{SetXSpeed, 300}, {SetAngle, 45}, {SetObject, static_cast<int32_t>(target)}});
        EXPECT_EQ(r.target, target);
        EXPECT_EQ(r.objectSet, 1);
        EXPECT_EQ((std::array{f(r.x), f(r.y)}), (std::array{f(c.posX), f(c.posY)}));
        EXPECT_EQ((std::array{r.boundLeft, r.boundTop, r.boundRight, r.boundBottom}), c.box);
        EXPECT_NEAR(r.xSpeed, 212.132f, 1e-3f);
        EXPECT_EQ(object(m(), target).updateFlagA, 0);
    }
    Addr rd = newInstance(m(), newRunHeader(m()));
    EXPECT_EQ(afterCalls(m(), rd, {{SetObject, 0}}).objectSet, 0);
    EXPECT_EQ(step(m(), rd), 2);
}
