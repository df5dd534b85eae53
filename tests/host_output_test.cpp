// What the host reports from outside: float text, and the bounces and wraps
// it reads off the state before and after a step.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "driver/module.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/step_observers.h"
#include "kinemo-host/text_forms.h"

using namespace khost;

namespace {

TEST(FloatFormat, ShortestTextReadsBackToTheSameBits) {
    struct Case {
        uint32_t bits;
        const char* text;
    };
    const Case cases[] = {
        {0x00000000, "0"},
        {0x80000000, "-0"},
        {0x7F800000, "inf"},
        {0xFF800000, "-inf"},
        {0x7FC00000, "nan"},
        {0xFFC00001, "nan"},
        {0x3DCCCCCD, "0.1"},         // not 0.100000001
        {0x4386FFFF, "269.99997"},   // one below 270
        {0x40C90FDA, "6.283185"},
        {0x00000001, "1e-45"},       // smallest subnormal
        {0x7F7FFFFF, "3.4028235e+38"},
        {0x4B800000, "16777216"},
        {0xC0200000, "-2.5"},
    };
    for (const Case& c : cases) {
        std::string text = formatFloat(std::bit_cast<float>(c.bits));
        EXPECT_EQ(text, c.text) << std::hex << c.bits;
        if (std::isnan(std::bit_cast<float>(c.bits))) continue;
        float back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        if (text.find("inf") == std::string::npos) {
            EXPECT_EQ(std::bit_cast<uint32_t>(back), c.bits) << text;
        }
    }
}

InstanceState state(int32_t mode, float x, float y, float xSpeed, float ySpeed) {
    InstanceState s;
    s.mode = mode;
    s.objectSet = 1;
    s.target = 0;
    s.x = x;
    s.y = y;
    s.xSpeed = xSpeed;
    s.ySpeed = ySpeed;
    s.boundLeft = 0;
    s.boundTop = 0;
    s.boundRight = 90;
    s.boundBottom = 50;
    return s;
}

constexpr int32_t kNone = 0, kWrap = 1, kBounce = 2;

TEST(MotionEvents, BouncesAndWrapsAreReadOffTheStateChange) {
    struct Case {
        const char* what;
        InstanceState before, after;
        int bounces, wraps;
    };
    InstanceState paused = state(kBounce, 80, 20, 1000, 0);
    paused.paused = 1;
    InstanceState otherTarget = state(kBounce, 90, 20, -1000, 0);
    otherTarget.target = 1;
    const Case cases[] = {
        {"bounce off the right", state(kBounce, 85, 20, 1000, 0), state(kBounce, 90, 20, -1000, 0), 1, 0},
        {"bounce after landing exactly on the bound", state(kBounce, 90, 20, 1000, 0), state(kBounce, 90, 20, -1000, 0), 1, 0},
        {"bounce that stops dead", state(kBounce, 85, 20, 1000, 0), state(kBounce, 90, 20, 0, 0), 1, 0},
        {"bounce off the top", state(kBounce, 40, 3, 0, -500), state(kBounce, 40, 0, 0, 500), 1, 0},
        {"corner: both axes in one frame", state(kBounce, 88, 48, 500, 500), state(kBounce, 90, 50, -500, -500), 1, 0},
        {"corner wrap", state(kWrap, 89, 49, 300, 300), state(kWrap, 0, 0, 300, 300), 0, 1},
        {"resting on the floor, pressed in by gravity", state(kBounce, 40, 50, 0, -12), state(kBounce, 40, 50, 0, -13), 0, 0},
        {"arriving exactly on the bound", state(kBounce, 85, 20, 500, 0), state(kBounce, 90, 20, 500, 0), 0, 0},
        {"leaving the bound", state(kBounce, 90, 20, -500, 0), state(kBounce, 85, 20, -500, 0), 0, 0},
        {"wrap from right to left", state(kWrap, 89, 20, 300, 0), state(kWrap, 0, 20, 300, 0), 0, 1},
        {"wrap from top to bottom", state(kWrap, 40, 1, 0, -300), state(kWrap, 40, 50, 0, -300), 0, 1},
        {"arriving exactly on the wrap bound", state(kWrap, 87, 20, 300, 0), state(kWrap, 90, 20, 300, 0), 0, 0},
        {"no mode: the bound means nothing", state(kNone, 85, 20, 1000, 0), state(kNone, 90, 20, -1000, 0), 0, 0},
        {"paused: the step did nothing", paused, state(kBounce, 90, 20, -1000, 0), 0, 0},
        {"bound to another object meanwhile", state(kBounce, 85, 20, 1000, 0), otherTarget, 0, 0},
    };
    for (const Case& c : cases) {
        StepEvents e = stepEvents(c.before, c.after);
        EXPECT_EQ(e.bounces, c.bounces) << c.what;
        EXPECT_EQ(e.wraps, c.wraps) << c.what;
    }
}

// Each action parameter's unit as its routine uses it: an impulse is added as
// a hundredth of its value, so it counts ten-thousandths of a pixel per frame.
TEST(ParamUnits, EveryActionParameterHasTheUnitItsRoutineUses) {
    const std::string speed = "1/100 px per frame", impulse = "1/10000 px per frame", object = "\xE2\x80\x94";
    const std::vector<std::vector<std::string>> expected = {
        {"degrees"}, {speed}, {object}, {"1/10000 px per frame\xC2\xB2"}, {"degrees"}, {"px"}, {"px"}, {"px", "px"},
        {speed}, {speed}, {speed}, {speed}, {object}, {object}, {"px", "px"}, {"px", "px"}, {}, {}, {},
        {"percent"}, {}, {}, {"degrees"}, {"1/100 px", object}, {impulse, object}, {impulse, "degrees"},
        {"1/100 px", "degrees"}, {"degrees", object}, {"degrees", "degrees"},
    };
    const EventLanguage events = readEventLanguage(*kdrv::openNative());
    ASSERT_EQ(events.actions.size(), expected.size());
    for (const EventSignature& e : events.actions) {
        std::vector<std::string> units;
        for (size_t i = 0; i < e.params.size(); ++i) units.emplace_back(paramUnit(e.display, int(i), e.params[i]));
        EXPECT_EQ(units, expected.at(e.code)) << e.display;
    }
    for (const EventSignature& e : events.expressions)
        for (size_t i = 0; i < e.params.size(); ++i) EXPECT_EQ(paramUnit(e.display, int(i), e.params[i]), "px");
}

}  // namespace
