#include <gtest/gtest.h>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::ModeBounce;
using kinemo::RunData;
using kinemo::f32Bits;

using namespace hostrec;
using namespace ActionCode;

namespace {
constexpr float kExact = -1;
}  // namespace

TEST_P(ModuleTest, DisplacementAndImpulse) {
    struct Case {
        const char* name;
        int code;
        int32_t amount;
        int16_t px, py;  // the object, or the angle in px for 25 and 26
        float x, y, xSpeed, ySpeed;
        float wantX, wantY, wantXSpeed, wantYSpeed;
        float tolerance = kExact;
    };
    const Case cases[] = {
        {"toward an object", MoveTowardsObject, 500, 130, 140, 100, 100, 0, 0, 103, 104, 0, 0},
        {"past the object", MoveTowardsObject, 1000, 103, 104, 100, 100, 0, 0, 106, 108, 0, 0},
        {"away from an object", MoveTowardsObject, -500, 130, 140, 100, 100, 0, 0, 97, 96, 0, 0},
        {"object on the position moves left", MoveTowardsObject, 300, 100, 100, 100, 100, 0, 0, 97, 100, 0, 0},
        {"from -0 toward an object at 0 moves right", MoveTowardsObject, 300, 0, 100, -0.0f, 100, 0, 0, 3, 100, 0, 0},
        {"push toward an object", PushTowardsObject, 500, 130, 140, 100, 100, 1, 2, 100, 100, 4, 6, 1e-6f},
        {"push, object on the position", PushTowardsObject, 300, 100, 100, 100, 100, 0, 0, 100, 100, -3, 0},
        {"move at 0 degrees", MoveAtAngle, 100, 0, 0, 10, 10, 0, 0, 11, 10, 0, 0},
        {"move at 90 degrees goes up", MoveAtAngle, 100, 90, 0, 10, 10, 0, 0, 10, 9, 0, 0},
        {"distance rounded to single first", MoveAtAngle, 16777217, 0, 0, 0, 0, 0, 0, 167772.15625f, 0, 0, 0},
        {"move against the angle", MoveAtAngle, -100, 0, 0, 10, 10, 0, 0, 9, 10, 0, 0},
        {"move off the axes", MoveAtAngle, 123, 37, 0, 10, 10, 0, 0, 10.9823217f, 9.25976753f, 0, 0},
        {"push off the axes", PushAtAngle, 777, 211, 0, 0, 0, 1, 2, 0, 0, -5.66019058f, 6.00184488f},
        {"push at 270 degrees", PushAtAngle, 100, 270, 0, 0, 0, 0, 0, 0, 0, 1.19e-8f, 1, 1e-9f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Addr rd = newInstance(m(), newRunHeader(m()));
        RunData& r = run(m(), rd);
        r.x = c.x;
        r.y = c.y;
        r.xSpeed = c.xSpeed;
        r.ySpeed = c.ySpeed;
        r.angle = 1.25f;
        r.speed = 7;
        r.mode = ModeBounce;  // the box plays no part
        uint32_t second = c.code == MoveTowardsObject || c.code == PushTowardsObject
                              ? newObject(m(), c.px, c.py)
                              : static_cast<uint32_t>(c.px);
        EXPECT_EQ(action(m(), rd, c.code, static_cast<uint32_t>(c.amount), second), 0);
        if (c.tolerance == kExact) {
            EXPECT_EQ(f32Bits(r.x), f32Bits(c.wantX)) << r.x;
            EXPECT_EQ(f32Bits(r.y), f32Bits(c.wantY)) << r.y;
            EXPECT_EQ(f32Bits(r.xSpeed), f32Bits(c.wantXSpeed)) << r.xSpeed;
            EXPECT_EQ(f32Bits(r.ySpeed), f32Bits(c.wantYSpeed)) << r.ySpeed;
        } else {
            EXPECT_NEAR(r.x, c.wantX, c.tolerance);
            EXPECT_NEAR(r.y, c.wantY, c.tolerance);
            EXPECT_NEAR(r.xSpeed, c.wantXSpeed, c.tolerance);
            EXPECT_NEAR(r.ySpeed, c.wantYSpeed, c.tolerance);
        }
        EXPECT_EQ(r.angle, 1.25f);
        EXPECT_EQ(r.speed, 7);
    }
}
