// The bounces and wraps the host reads off the state before and after a step.
#include <gtest/gtest.h>

#include <string>

#include "kinemo-host/step_observers.h"

using namespace khost;

namespace {

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

}  // namespace
