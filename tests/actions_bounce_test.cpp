#include <gtest/gtest.h>

#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

using namespace ActionCode;

TEST_P(ModuleTest, ForcedBounceMirrorsAboutThePlane) {
    struct Case {
        int32_t plane;
        float xSpeed, ySpeed;
        float angle, xAfter, yAfter;
    };
    const Case cases[] = {
        {0, 300, 400, 0.9272952f, 300, -400},
        {90, 300, 400, 4.0688877f, -300.00006f, 399.99994f},
        {45, 300, 400, 2.4980917f, -400.00006f, -299.99994f},
        {180, 300, 400, 7.2104807f, 299.99994f, -400.00006f},
        // At rest the angle becomes twice the plane, converted with the longer constant.
        {90, 0, 0, f32FromBits(0x40490FDB), -0.0f, 0},
        {0, -0.0f, 0, f32FromBits(0x40490FDB), -0.0f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "plane " << c.plane << " from " << c.xSpeed << ", " << c.ySpeed);
        Addr rd = newInstance(m(), newRunHeader(m()));
        RunData& r = run(m(), rd);
        r.xSpeed = c.xSpeed;
        r.ySpeed = c.ySpeed;
        r.x = 3;
        // Neither the coefficient nor the mode has a say.
        r.bounceCoefficient = 50;
        EXPECT_EQ(action(m(), rd, ForcedBounce, static_cast<uint32_t>(c.plane)), 0);
        EXPECT_EQ(f32Bits(r.angle), f32Bits(c.angle)) << r.angle;
        EXPECT_EQ(f32Bits(r.xSpeed), f32Bits(c.xAfter)) << r.xSpeed;
        EXPECT_EQ(f32Bits(r.ySpeed), f32Bits(c.yAfter)) << r.ySpeed;
        EXPECT_EQ(r.speed, c.xSpeed == 0 ? 0 : 500);
        EXPECT_EQ(r.x, 3);
    }
}

TEST_P(ModuleTest, ModeCoefficientAndPauseSetOnlyTheirField) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int32_t>> calls;
        int32_t mode;
        float bounce;
        uint8_t paused;
    };
    const Case cases[] = {
        {"wrap", {{WrapMode, 0}}, ModeWrap, 100, 0},
        {"bounce", {{BounceMode, 0}}, ModeBounce, 100, 0},
        {"none again", {{BounceMode, 0}, {NoMode, 0}}, ModeNone, 100, 0},
        {"negative coefficient kept", {{SetBounceCoefficient, -50}}, ModeNone, -50, 0},
        {"pause is a flag", {{Pause, 0}, {Pause, 0}, {Resume, 0}}, ModeNone, 100, 0},
        {"paused", {{Resume, 0}, {Pause, 0}}, ModeNone, 100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Addr rd = newInstance(m(), newRunHeader(m()));
        RunData& r = run(m(), rd);
        r.x = 1000;
        for (auto [code, p] : c.calls) EXPECT_EQ(action(m(), rd, code, static_cast<uint32_t>(p)), 0);
        EXPECT_EQ(r.mode, c.mode);
        EXPECT_EQ(r.bounceCoefficient, c.bounce);
        EXPECT_EQ(r.paused, c.paused);
        EXPECT_EQ(r.x, 1000);
        EXPECT_EQ(r.boundRight, 0);
    }
}

// The new mode applies to the position as it stands at the next step.
TEST_P(ModuleTest, BounceModeOutsideTheBoxClampsAtTheNextStep) {
    Addr rd = newInstance(m(), newRunHeader(m(), 640, 480));
    Addr target = newObject(m(), 700, 10, 16, 16, 32, 32);
    action(m(), rd, SetObject, target);
    action(m(), rd, SetXSpeed, 100);
    action(m(), rd, SetYSpeed, 100);
    action(m(), rd, SetBounceCoefficient, 50);
    action(m(), rd, BounceMode);
    step(m(), rd);
    const RunData& r = run(m(), rd);
    EXPECT_EQ(object(m(), target).posX, 624);
    EXPECT_EQ(object(m(), target).posY, 16);
    EXPECT_EQ(r.xSpeed, -25);
    EXPECT_EQ(r.ySpeed, -25);
}
