// Playing scenes against each build: what the host prints, and that it
// drives the module the way the host application does.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "kinemo-host/play_scene.h"
#include "support/drivers.h"

using namespace khost;

namespace {

struct Played {
    int status;
    std::string out, err, trace;
};

Played play(kdrv::Module& m, std::string_view scene) {
    std::ostringstream out, err, trace;
    int status = playScene(m, scene, "t.kscene", {out, err, &trace, nullptr});
    return {status, out.str(), err.str(), trace.str()};
}

// The lines of `text` that start with `prefix`.
std::string linesStarting(const std::string& text, std::string_view prefix) {
    std::istringstream in(text);
    std::string line, found;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) found += line + "\n";
    return found;
}

TEST_P(ModuleTest, ResultsPrintAsTheModuleFlagsThem) {
    struct Case {
        const char* scene;
        const char* out;  // every line but the summary
    };
    const Case cases[] = {
        {"kinemo k\nexpression k GetX()\naction k Set X to 5\nexpression k GetX()\n", "k GetX() = 0\nk GetX() = 5\n"},
        // Set Angle on a motionless instance leaves ySpeed a negative zero.
        {"kinemo k\naction k Set Angle 90\nexpression k GetYSpeed()\n", "k GetYSpeed() = -0\n"},
        // 0.5 goes over as its f32 bits, which the module reads as an integer.
        {"kinemo k\nexpression k GetDist(0.5, 0)\nexpression k GetDist(2.5, 0)\nexpression k GetDist(-5, 0)\n",
         "k GetDist(0.5, 0) = 1056964608\nk GetDist(2.5, 0) = 2.5\nk GetDist(-5, 0) = 5\n"},
        {"kinemo k\nexpression k GetDistPoints(0, 0, 3, 4)\nexpression k GetAngPoints(0, 0, 0, 10)\n",
         "k GetDistPoints(0, 0, 3, 4) = 5\nk GetAngPoints(0, 0, 0, 10) = 269.99997\n"},
        {"kinemo k\ncondition k Is Paused\naction k Pause Kinemo\ncondition k Is Paused\n",
         "k Is Paused = false\nk Is Paused = true\n"},
    };
    for (const Case& c : cases) {
        Played p = play(m(), c.scene);
        ASSERT_EQ(p.status, kExitOk) << c.scene << p.err;
        EXPECT_EQ(p.out.substr(0, p.out.rfind("k: ")), c.out) << c.scene;
    }
}

TEST_P(ModuleTest, HostPlacementIsOverwrittenByTheNextStep) {
    Played p = play(m(),
                    "object o 100 100 10 10 0 0\n"
                    "kinemo k\n"
                    "action k Set Object o\n"
                    "action k Set X Speed 250\n"
                    "step 1\n"
                    "place o 7 8\n"
                    "dump k\n"
                    "step 1\n"
                    "dump k\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    EXPECT_EQ(linesStarting(p.out, "frame="),
              "frame=1 instance=k x=102.5 y=100 xSpeed=250 ySpeed=0 angle=0 speed=0 gravityStrength=0 "
              "gravityAngle=4.712389 maxSpeed=0 minSpeed=0 bounceCoefficient=100 mode=0 paused=0 objectSet=1 "
              "boundLeft=0 boundTop=0 boundRight=630 boundBottom=470 posX=7 posY=8\n"
              "frame=2 instance=k x=105 y=100 xSpeed=250 ySpeed=0 angle=0 speed=0 gravityStrength=0 "
              "gravityAngle=4.712389 maxSpeed=0 minSpeed=0 bounceCoefficient=100 mode=0 paused=0 objectSet=1 "
              "boundLeft=0 boundTop=0 boundRight=630 boundBottom=470 posX=105 posY=100\n");
}

TEST_P(ModuleTest, TraceHasARowPerInstancePerFrameInCreationOrder) {
    Played p = play(m(),
                    "object o 10 20 4 4 2 2\n"
                    "kinemo a\n"
                    "step 1\n"
                    "kinemo b\n"
                    "action b Set Object o\n"
                    "step 2\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    std::istringstream rows(p.trace);
    std::string header, line;
    std::getline(rows, header);
    EXPECT_EQ(header,
              "frame,instance,x,y,xSpeed,ySpeed,angle,speed,gravityStrength,gravityAngle,maxSpeed,minSpeed,"
              "bounceCoefficient,mode,paused,objectSet,boundLeft,boundTop,boundRight,boundBottom,posX,posY");
    std::string keys;
    while (std::getline(rows, line)) keys += line.substr(0, line.find(',', line.find(',') + 1)) + (line.back() == ',' ? "- " : "+ ");
    // Unbound rows end with two empty columns.
    EXPECT_EQ(keys, "1,a- 2,a- 2,b+ 3,a- 3,b+ ");
    EXPECT_EQ(linesStarting(p.out, "a:") + linesStarting(p.out, "b:"),
              "a: 3 frames, unbound\nb: 2 frames, position (10, 20), speed 0, bounces 0, wraps 0\n");
}

TEST_P(ModuleTest, SummaryCountsBouncesAndWraps) {
    // Box 0..90 across: at 10 px a frame the bouncer lands exactly on 90 at
    // frame 9, turns at frame 10, and is back on 0 at frame 19 and turns at 20.
    // The wrapper lands on 90 at frame 9 too, and jumps to 0 at frames 10 and 20.
    Played p = play(m(),
                    "playfield 100 60\n"
                    "object b 0 20 10 10 0 0\n"
                    "object w 0 20 10 10 0 0\n"
                    "kinemo bouncer\naction bouncer Set Object b\naction bouncer Bounce Mode\n"
                    "action bouncer Set X Speed 1000\n"
                    "kinemo wrapper\naction wrapper Set Object w\naction wrapper Wrap Mode\n"
                    "action wrapper Set X Speed 1000\n"
                    "step 25\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    EXPECT_EQ(linesStarting(p.out, "bouncer:"), "bouncer: 25 frames, position (50, 20), speed 1000, bounces 2, wraps 0\n");
    EXPECT_EQ(linesStarting(p.out, "wrapper:"), "wrapper: 25 frames, position (50, 20), speed 1000, bounces 0, wraps 2\n");
}

TEST_P(ModuleTest, BadSceneRunsNothing) {
    Played p = play(m(), "kinemo k\nexpression k GetX()\naction k Jump\n");
    EXPECT_EQ(p.status, kExitBadScene);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.trace, "");
    EXPECT_EQ(p.err, "t.kscene:3: unknown action \"Jump\"\n");
}

}  // namespace
