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

// A trace row per instance per frame in creation order, unbound rows with the
// target's position left empty (a dump says "unbound"); a host placement
// lasts until the next step. The full dump and trace layouts are pinned by
// the golden outputs.
TEST_P(ModuleTest, HostRecordsEveryFrameAndPlacementLastsUntilTheNextStep) {
    Played p = play(m(), "object o 100 100 10 10 0 0\nkinemo a\nstep 1\nkinemo k\naction k Set Object o\n"
                         "action k Set X Speed 250\nstep 1\nplace o 7 8\ndump k\nstep 1\ndump k\ndump a\n");
    ASSERT_EQ(p.status, kExitOk) << p.err;
    std::istringstream rows(p.trace);
    std::string line, keys;
    std::getline(rows, line);  // the header
    while (std::getline(rows, line)) keys += line.substr(0, line.find(',', line.find(',') + 1)) + (line.ends_with(",,") ? "- " : "+ ");
    EXPECT_EQ(keys, "1,a- 2,a- 2,k+ 3,a- 3,k+ ");
    EXPECT_EQ(p.trace.find("unbound"), std::string::npos);
    EXPECT_TRUE(linesStarting(p.out, "frame=3 instance=a ").ends_with(" posX=unbound posY=unbound\n")) << p.out;
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

}  // namespace
