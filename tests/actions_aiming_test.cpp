#include <gtest/gtest.h>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

using namespace ActionCode;

// From the precise position (100, 100); y grows downward on the screen.
TEST_P(ModuleTest, AimDirectionFromThePrecisePosition) {
    struct Case {
        const char* name;
        float y;
        int16_t px, py;
        uint32_t bits;
        float tolerance = -1;
        float value = 0;
    };
    const Case cases[] = {
        {"above", 100, 100, 0, 0x3FC90FDB},
        {"left", 100, 0, 100, 0x40490FDB},
        {"right", 100, 200, 100, 0},
        {"below, corrected once", 100, 100, 200, 0x4096CBE3},
        {"the same point", 100, 100, 100, 0},
        {"down-left, full turn added as a single", 100, 50, 160, 0x40809098},
        {"a hair below the right", 99.999f, 200, 100, 0, 1e-6f, 6.283175f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int code : {AimGravityAtPoint, AimGravityAtObject}) {
            Addr rd = newInstance(m(), newRunHeader(m()));
            run(m(), rd).x = 100;
            run(m(), rd).y = c.y;
            if (code == AimGravityAtObject)
                action(m(), rd, code, newObject(m(), c.px, c.py));
            else
                action(m(), rd, code, static_cast<uint32_t>(c.px), static_cast<uint32_t>(c.py));
            float got = run(m(), rd).gravityAngle;
            if (c.tolerance < 0)
                EXPECT_EQ(f32Bits(got), c.bits) << "action " << code;
            else
                EXPECT_NEAR(got, c.value, c.tolerance) << "action " << code;
        }
    }
}

TEST_P(ModuleTest, AimingTheMotionKeepsTheMagnitude) {
    struct Case {
        const char* name;
        int32_t xSpeed, ySpeed;
        float speed, xAfter, yAfter;
    };
    const Case cases[] = {
        {"moving", 300, 400, 500, -2.1855694e-05f, -500},
        {"at rest", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int code : {AimAtPoint, AimAtObject}) {
            Addr rd = newInstance(m(), newRunHeader(m()));
            action(m(), rd, SetXSpeed, static_cast<uint32_t>(c.xSpeed));
            action(m(), rd, SetYSpeed, static_cast<uint32_t>(c.ySpeed));
            // The aim counts from the new x at once.
            action(m(), rd, SetX, 40);
            if (code == AimAtObject)
                action(m(), rd, code, newObject(m(), 40, -50));
            else
                action(m(), rd, code, 40, static_cast<uint32_t>(-50));
            const RunData& r = run(m(), rd);
            EXPECT_EQ(f32Bits(r.angle), 0x3FC90FDBu);
            EXPECT_EQ(r.speed, c.speed);
            EXPECT_NEAR(r.xSpeed, c.xAfter, 1e-9f);
            EXPECT_EQ(r.ySpeed, c.yAfter);
            EXPECT_EQ(f32Bits(r.gravityAngle), 0x4096CBE4u);
        }
    }
}

// Aiming up at rest leaves zero components whose signs point left: a later
// speed follows them, not the stored angle.
TEST_P(ModuleTest, SpeedAfterAimingAtRestIgnoresTheAim) {
    Addr rd = newInstance(m(), newRunHeader(m()));
    action(m(), rd, AimAtPoint, 0, static_cast<uint32_t>(-100));
    EXPECT_EQ(f32Bits(run(m(), rd).angle), 0x3FC90FDBu);
    action(m(), rd, SetSpeed, 500);
    EXPECT_EQ(run(m(), rd).xSpeed, -500);
    EXPECT_NEAR(run(m(), rd).ySpeed, 0, 1e-4f);
}
