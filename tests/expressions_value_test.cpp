#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

using namespace hostrec;

namespace {

enum Expr { GetAngle = 0, GetSpeed, GetX, GetY, GetXSpeed, GetYSpeed, GetGravityStrength, GetGravityAngle,
            GetMaxSpeed, GetMinSpeed, GetBounceCoe };

uint16_t resultFlags(Module& m, Addr rd) {
    uint16_t flags;
    std::memcpy(&flags, m.bytes(rd) + kResultFlagsOffset, sizeof flags);
    return flags;
}

void setResultFlags(Module& m, Addr rd, uint16_t flags) {
    std::memcpy(m.bytes(rd) + kResultFlagsOffset, &flags, sizeof flags);
}

struct Instance {
    Addr header;
    Addr rd;
};

Instance newKinemo(Module& m) {
    Addr header = newRunHeader(m);
    return {header, newInstance(m, header)};
}

}  // namespace

TEST_P(ModuleTest, NewInstanceReportsItsDefaults) {
    struct Case {
        int code;
        uint32_t bits;
    };
    const Case cases[] = {
        {GetAngle, 0},  // a positive zero, not 360
        {GetSpeed, 0},
        {GetX, 0},
        {GetY, 0},
        {GetXSpeed, 0},
        {GetYSpeed, 0},
        {GetGravityStrength, 0},
        {GetGravityAngle, 0x43870000},  // exactly 270.0
        {GetMaxSpeed, 0},
        {GetMinSpeed, 0},
        {GetBounceCoe, 0x42C80000},  // 100.0
    };
    auto [header, rd] = newKinemo(m());
    EXPECT_EQ(condition(m(), rd), 0u);
    for (const Case& c : cases) EXPECT_EQ(expression(m(), rd, c.code), c.bits) << "expression " << c.code;
}

TEST_P(ModuleTest, GetAngleReportsVelocityDirectionInDegrees) {
    struct Case {
        float xSpeed, ySpeed;
        uint32_t bits;
    };
    const Case cases[] = {
        {1, 0, 0x00000000},            // +0, not −0
        {0, -1, 0x42B40000},           // 90: screen y points down
        {-1, 0, 0x43340000},           // 180
        {0, 1, 0x43870000},            // exactly 270
        {3, -3, 0x42340000},           // 45
        {3, 3, 0x439D8000},            // 315
        {-3, 3, 0x43610000},           // 225
        {1, 0.000000001f, 0x43B40000},  // a hair clockwise rounds up to 360
        {100, 0.001f, 0x43B3FFED},     // 359.99942
        {1, f32FromBits(0x348EFA35), 0x43B40000},  // degrees exactly −2^-16: the tie goes to 360
        {1, f32FromBits(0x348EFA36), 0x43B3FFFF},  // one step further clockwise stays below 360
        {-1, -0.0f, 0x43340000},       // zero y against negative x: 180, never −180 + 360 twice
        {-1, 0.0f, 0x43340000},
        {0.0f, -0.0f, 0x00000000},     // both zero: +0
        {-0.0f, 0.0f, 0x43340000},     // −0 x counts as negative
        {-176, -122, 0x43114561},      // tells 57.29577951471995 from 57.29577951
        {-176, 122, 0x4356BA9F},
    };
    auto [header, rd] = newKinemo(m());
    for (const Case& c : cases) {
        run(m(), rd).xSpeed = c.xSpeed;
        run(m(), rd).ySpeed = c.ySpeed;
        EXPECT_EQ(expression(m(), rd, GetAngle), c.bits) << "speeds " << c.xSpeed << ", " << c.ySpeed;
    }
}

TEST_P(ModuleTest, AngleAndSpeedComeFromComponentsNotStoredPolarForm) {
    auto [header, rd] = newKinemo(m());
    run(m(), rd).angle = 2.5f;
    run(m(), rd).speed = 99.0f;
    EXPECT_EQ(expression(m(), rd, GetAngle), 0u);
    EXPECT_EQ(expression(m(), rd, GetSpeed), 0u);
    run(m(), rd).xSpeed = 3.0f;
    run(m(), rd).ySpeed = 4.0f;
    EXPECT_EQ(expression(m(), rd, GetSpeed), f32Bits(5.0f));
    run(m(), rd).ySpeed = -4.0f;
    EXPECT_EQ(expression(m(), rd, GetSpeed), f32Bits(5.0f));
}

TEST_P(ModuleTest, GetGravityAngleConvertsWithoutNormalising) {
    struct Case {
        uint32_t stored;
        uint32_t bits;
    };
    const Case cases[] = {
        {0x3FC90FDA, 0x42B3FFFF},  // 90 degrees as stored by the setter: 89.99999, not 90
        {0xBFC90FDA, 0xC2B3FFFF},  // negative stays negative
        {0x4108CDAE, 0x43F4F213},  // beyond 2π stays beyond 360; tells the constant apart
        {0xC0ACF56D, 0xC39AD736},
        {0x80000000, 0x80000000},  // −0 × constant keeps its sign
    };
    auto [header, rd] = newKinemo(m());
    for (const Case& c : cases) {
        run(m(), rd).gravityAngle = f32FromBits(c.stored);
        EXPECT_EQ(expression(m(), rd, GetGravityAngle), c.bits) << std::hex << c.stored;
    }
}

// Distinct special patterns in every copied field at once, so that a routine
// reading the wrong field or passing the value through float arithmetic shows.
TEST_P(ModuleTest, CopiedExpressionsReturnTheFieldBytesUnchanged) {
    struct Case {
        int code;
        float RunData::*field;
        uint32_t bits;
    };
    const Case cases[] = {
        {GetX, &RunData::x, 0x80000000},                   // −0
        {GetY, &RunData::y, 0x7F800001},                   // signalling NaN
        {GetXSpeed, &RunData::xSpeed, 0xFFC12345},         // quiet NaN with payload
        {GetYSpeed, &RunData::ySpeed, 0x7F800000},         // +inf
        {GetGravityStrength, &RunData::gravityStrength, 0x00000001},  // smallest subnormal
        {GetMaxSpeed, &RunData::maxSpeed, 0xFF800000},     // −inf
        {GetMinSpeed, &RunData::minSpeed, 0x807FFFFF},     // negative subnormal
        {GetBounceCoe, &RunData::bounceCoefficient, 0x7FBFFFFF},  // signalling NaN, full payload
    };
    auto [header, rd] = newKinemo(m());
    for (const Case& c : cases) {
        uint32_t bits = c.bits;
        std::memcpy(&(run(m(), rd).*c.field), &bits, sizeof bits);
    }
    for (const Case& c : cases) EXPECT_EQ(expression(m(), rd, c.code), c.bits) << "expression " << c.code;
}

TEST_P(ModuleTest, EveryExpressionSetsOnlyTheFloatFlag) {
    const uint16_t presets[] = {0x0000, 0x8001, 0xBFFF, 0x4000, 0xFFFF};
    auto [header, rd] = newKinemo(m());
    run(m(), rd).xSpeed = 7.0f;
    run(m(), rd).y = f32FromBits(0x7FC00000);  // a NaN result still sets the flag
    for (int code = 0; code < kExpressionCount; ++code) {
        for (uint16_t preset : presets) {
            setResultFlags(m(), rd, preset);
            std::vector<uint8_t> before(m().bytes(rd), m().bytes(rd) + sizeof(RunData));
            expression(m(), rd, code, {3, 4, 5, 6});
            EXPECT_EQ(resultFlags(m(), rd), preset | kFloatResultFlag) << "expression " << code;
            std::vector<uint8_t> after(m().bytes(rd), m().bytes(rd) + sizeof(RunData));
            after[kResultFlagsOffset] = before[kResultFlagsOffset];
            after[kResultFlagsOffset + 1] = before[kResultFlagsOffset + 1];
            EXPECT_EQ(after, before) << "expression " << code << " wrote outside the flag bit";
        }
    }
}

TEST_P(ModuleTest, IsPausedOnlyForExactlyOne) {
    struct Case {
        uint8_t paused;
        bool reported;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, false}, {0xFF, false}, {0x81, false}};
    auto [header, rd] = newKinemo(m());
    for (const Case& c : cases) {
        run(m(), rd).paused = c.paused;
        uint32_t result = m().callRoutine(RoutineKind::Condition, routine(m(), RoutineKind::Condition, 0),
                                          {rd, 0xFFFFFFFF, 0x12345678});
        EXPECT_EQ(result != 0, c.reported) << "paused byte " << int(c.paused);
        EXPECT_EQ(run(m(), rd).paused, c.paused);
    }
}

TEST_P(ModuleTest, IsPausedFollowsPauseAndResumeActionsNotHostNotifications) {
    constexpr int kPause = 20, kResume = 21;
    auto [header, rd] = newKinemo(m());
    action(m(), rd, kPause);
    EXPECT_NE(condition(m(), rd), 0u);
    m().call("ContinueRunObject", {rd});
    EXPECT_NE(condition(m(), rd), 0u);
    action(m(), rd, kResume);
    EXPECT_EQ(condition(m(), rd), 0u);
    m().call("PauseRunObject", {rd});
    EXPECT_EQ(condition(m(), rd), 0u);
}
