#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/fmath.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ExpressionCode = kinemo::ExpressionCode;
using kinemo::RunData;
using kinemo::f32Bits;
using kinemo::f32FromBits;
using kinemo::kExpressionCount;

using namespace hostrec;
using namespace ExpressionCode;

namespace {

Addr newKinemo(Module& m) { return newInstance(m, newRunHeader(m)); }

}  // namespace

// Direction and magnitude come from the components, never from the stored angle and speed.
TEST_P(ModuleTest, GetAngleReportsVelocityDirectionInDegrees) {
    struct Case {
        float xSpeed, ySpeed;
        uint32_t bits;
    };
    const Case cases[] = {
        {1, 0, 0x00000000},            // +0, not −0
        {3, -3, 0x42340000},           // 45
        {-1, 0, 0x43340000},           // 180
        {-3, 3, 0x43610000},           // 225
        {0, 1, 0x43870000},            // exactly 270: screen y points down
        {100, 0.001f, 0x43B3FFED},     // 359.99942
        {1, f32FromBits(0x348EFA35), 0x43B40000},  // degrees exactly −2^-16: the tie goes to 360
        {1, f32FromBits(0x348EFA36), 0x43B3FFFF},  // one step further clockwise stays below 360
        {-1, -0.0f, 0x43340000},       // zero y against negative x: 180, never −180 + 360 twice
        {-1, 0.0f, 0x43340000},
        {0.0f, -0.0f, 0x00000000},     // both zero: +0
        {-0.0f, 0.0f, 0x43340000},     // −0 x counts as negative
        {-176, -122, 0x43114561},      // tells 57.29577951471995 from 57.29577951
    };
    Addr rd = newKinemo(m());
    run(m(), rd).angle = 2.5f;
    run(m(), rd).speed = 99.0f;
    for (const Case& c : cases) {
        run(m(), rd).xSpeed = c.xSpeed;
        run(m(), rd).ySpeed = c.ySpeed;
        EXPECT_EQ(expression(m(), rd, GetAngle), c.bits) << "speeds " << c.xSpeed << ", " << c.ySpeed;
    }
    run(m(), rd).xSpeed = 3.0f;
    run(m(), rd).ySpeed = -4.0f;
    EXPECT_EQ(expression(m(), rd, GetSpeed), f32Bits(5.0f));
}

TEST_P(ModuleTest, GetGravityAngleConvertsWithoutNormalising) {
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0x3FC90FDA, 0x42B3FFFF},  // 90 degrees as stored by the setter: 89.99999, not 90
        {0xBFC90FDA, 0xC2B3FFFF},  // negative stays negative
        {0x4108CDAE, 0x43F4F213},  // beyond 2π stays beyond 360; tells the constant apart
        {0x80000000, 0x80000000},  // −0 × constant keeps its sign
    };
    Addr rd = newKinemo(m());
    for (auto [stored, bits] : cases) {
        run(m(), rd).gravityAngle = f32FromBits(stored);
        EXPECT_EQ(expression(m(), rd, GetGravityAngle), bits) << std::hex << stored;
    }
}

// Distinct special patterns in every copied field at once, so that a routine
// reading the wrong field or passing the value through float arithmetic shows.
// Every expression, a NaN result included, sets the float flag and writes nothing else.
TEST_P(ModuleTest, ExpressionsCopyFieldBitsAndSetOnlyTheFloatFlag) {
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
    Addr rd = newKinemo(m());
    for (const Case& c : cases) std::memcpy(&(run(m(), rd).*c.field), &c.bits, sizeof c.bits);
    for (const Case& c : cases) EXPECT_EQ(expression(m(), rd, c.code), c.bits) << "expression " << c.code;
    for (int code = 0; code < kExpressionCount; ++code) {
        for (uint16_t preset : {0x0000, 0x8001, 0xBFFF, 0xFFFF}) {
            setResultFlags(m(), rd, preset);
            std::vector<uint8_t> want(m().bytes(rd), m().bytes(rd) + sizeof(RunData));
            want[layout::kResultFlags + 1] |= layout::kFloatResultFlag >> 8;  // the flags are little-endian
            expression(m(), rd, code, {3, 4, 5, 6});
            EXPECT_EQ(std::vector<uint8_t>(m().bytes(rd), m().bytes(rd) + sizeof(RunData)), want)
                << "expression " << code << " over flags " << preset;
        }
    }
}

// Only a paused byte of exactly 1 counts.
TEST_P(ModuleTest, IsPausedOnlyForExactlyOne) {
    const std::pair<uint8_t, bool> bytes[] = {{0, false}, {1, true}, {2, false}, {0xFF, false}, {0x81, false}};
    Addr rd = newKinemo(m());
    for (auto [paused, reported] : bytes) {
        run(m(), rd).paused = paused;
        uint32_t result = m().callRoutine(RoutineKind::Condition, routine(m(), RoutineKind::Condition, 0),
                                          {rd, 0xFFFFFFFF, 0x12345678});
        EXPECT_EQ(result != 0, reported) << "paused byte " << int(paused);
        EXPECT_EQ(run(m(), rd).paused, paused);
    }
}
