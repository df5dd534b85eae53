// Playing scenes against each build: that the host drives the module the
// way the host application does. What it prints is pinned by the goldens.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "kinemo-host/play_scene.h"
#include "support/drivers.h"

using namespace khost;

namespace {

struct Played {
    int status;
    std::string out, err, trace, svg;
};

Played play(kdrv::Module& m, std::string_view scene) {
    std::ostringstream out, err, trace, svg;
    int status = playScene(m, scene, "t.kscene", {out, err, &trace, &svg});
    return {status, out.str(), err.str(), trace.str(), svg.str()};
}

// The lines of `text` that start with `prefix`.
std::string linesStarting(const std::string& text, std::string_view prefix) {
    std::istringstream in(text);
    std::string line, found;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) found += line + "\n";
    return found;
}

// A trace row per instance per frame in creation order, unbound rows ending in
// "unbound" for the target's position; a host placement lasts until the next step. The full dump
// and trace layouts are pinned by the golden outputs.
TEST_P(ModuleTest, HostRecordsEveryFrameAndPlacementLastsUntilTheNextStep) {
    Played p = play(m(), "object o 100 100 10 10 0 0\nkinemo a\nstep 1\nkinemo k\naction k Set Object o\n"
                         "action k Set X Speed 250\nstep 1\nplace o 7 8\ndump k\nstep 1\ndump k\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    std::istringstream rows(p.trace);
    std::string line, keys;
    std::getline(rows, line);  // the header
    while (std::getline(rows, line)) keys += line.substr(0, line.find(',', line.find(',') + 1)) + (line.ends_with(",unbound,unbound") ? "- " : "+ ");
    EXPECT_EQ(keys, "1,a- 2,a- 2,k+ 3,a- 3,k+ ");
    std::string dumps = linesStarting(p.out, "frame=");
    size_t at = 0;
    for (const char* part : {"frame=2 instance=k x=102.5 ", " posX=7 posY=8\n", "frame=3 instance=k x=105 ",
                             " posX=105 posY=100\n"}) {
        at = dumps.find(part, at);
        ASSERT_NE(at, std::string::npos) << part << " in order in\n" << dumps;
    }
    EXPECT_EQ(linesStarting(p.out, "a:") + linesStarting(p.out, "k:"),
              "a: 3 frames, unbound\nk: 2 frames, position (105, 100), speed 250, bounces 0, wraps 0\n");
}

// The summary and the picture's legend count the same thing: frames.
TEST_P(ModuleTest, SummaryAndPictureCountBouncesAndWrapsAlike) {
    // Box 0..90 across, 0..50 down: at 10 px a frame the bouncer lands exactly on
    // 90 at frame 9, turns at frame 10, and is back on 0 at frame 19 and turns at
    // 20. The wrapper lands on 90 at frame 9 too, and jumps to 0 at frames 10 and
    // 20. The corner ball lands in the corner (90, 50) at frame 5 and turns both
    // axes at frame 6, then turns at the top, the left, the bottom and the top
    // again: five bounces, six turns of an axis.
    Played p = play(m(), "playfield 100 60\nobject b 0 20 10 10 0 0\nobject w 0 20 10 10 0 0\n"
                         "object c 40 0 10 10 0 0\n"
                         "kinemo bouncer\naction bouncer Set Object b\naction bouncer Bounce Mode\n"
                         "action bouncer Set X Speed 1000\nkinemo wrapper\naction wrapper Set Object w\n"
                         "action wrapper Wrap Mode\naction wrapper Set X Speed 1000\nkinemo corner\n"
                         "action corner Set Object c\naction corner Bounce Mode\naction corner Set X Speed 1000\n"
                         "action corner Set Y Speed 1000\nstep 25\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    EXPECT_EQ(linesStarting(p.out, "bouncer:") + linesStarting(p.out, "wrapper:") + linesStarting(p.out, "corner:"),
              "bouncer: 25 frames, position (50, 20), speed 1000, bounces 2, wraps 0\n"
              "wrapper: 25 frames, position (50, 20), speed 1000, bounces 0, wraps 2\n"
              "corner: 25 frames, position (90, 10), speed 1414.2136, bounces 5, wraps 0\n");
    for (const char* legend : {"bounce, 25 frames, 2 bounces<", "wrap, 25 frames, 2 wraps<", "bounce, 25 frames, 5 bounces<"})
        EXPECT_NE(p.svg.find(legend), std::string::npos) << legend;
}

}  // namespace
