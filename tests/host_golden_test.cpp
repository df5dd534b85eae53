// The example scenes, the built-in scene and the event reference, played
// against each build and compared with the committed outputs. Both builds
// must give the same bytes.
//
// After a deliberate change, regenerate from the native build with
//   KINEMO_UPDATE_GOLDEN=1 build/native/kinemo_tests --gtest_filter='*Golden*'
// and read the diff before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/text_file.h"
#include "kinemo-host/describe.h"
#include "kinemo-host/play_scene.h"
#include "support/drivers.h"

using namespace khost;

namespace {

const std::string kSource = KINEMO_SOURCE_DIR;

bool updating(kdrv::Module& m) {
    const char* env = std::getenv("KINEMO_UPDATE_GOLDEN");
    return env != nullptr && std::string(env) == "1" && m.kind() == "native";
}

// Empty when equal; otherwise the first line that differs.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int line = 1;; ++line) {
        bool moreE = static_cast<bool>(std::getline(e, le));
        bool moreA = static_cast<bool>(std::getline(a, la));
        if (!moreE && !moreA) return "they differ in line endings";
        if (le == la && moreE == moreA) continue;
        if (!moreE) le = "(end)";
        if (!moreA) la = "(end)";
        // Long lines (SVG paths) are cut to the neighbourhood of the first difference.
        size_t column = 0;
        while (column < le.size() && column < la.size() && le[column] == la[column]) ++column;
        size_t from = column > 40 ? column - 40 : 0;
        return "line " + std::to_string(line) + ", column " + std::to_string(column + 1) +
               ":\n  expected: " + le.substr(from, 100) + "\n  actual:   " + la.substr(from, 100);
    }
}

void checkGolden(kdrv::Module& m, const std::string& relativePath, const std::string& actual) {
    std::string path = kSource + "/" + relativePath;
    if (updating(m)) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::string expected = readTextFile(path);
    ASSERT_FALSE(expected.empty()) << relativePath << " is missing";
    EXPECT_EQ(firstDifference(expected, actual), "") << relativePath;
}

// The trace's header and every tenth frame: every row depends bit for bit on
// all the frames before it, so the sample still pins the whole run.
std::string sampledTrace(const std::string& csv) {
    std::istringstream in(csv);
    std::string line, out;
    std::getline(in, line);
    out = line + "\n";
    while (std::getline(in, line)) {
        long frame = std::strtol(line.c_str(), nullptr, 10);
        if (frame % 10 == 0) out += line + "\n";
    }
    return out;
}

struct Golden {
    const char* name;
    const char* scene;  // relative to the source tree; null: the built-in scene
    bool drawn = true;  // with a trace and a picture
};

const Golden kGoldens[] = {
    {"bouncing_ball", "examples/bouncing_ball.kscene"},
    {"orbit", "examples/orbit.kscene"},
    {"wrap_drift", "examples/wrap_drift.kscene"},
    {"homing", "examples/homing.kscene"},
    {"motion_rules", "examples/motion_rules.kscene", false},
    {"setters", "tests/scenes/setters.kscene", false},
    {"modes_and_bounces", "tests/scenes/modes_and_bounces.kscene", false},
    {"aiming", "tests/scenes/aiming.kscene", false},
    {"builtin", nullptr},
};

TEST_P(ModuleTest, GoldenScenesPlayAsCommitted) {
    for (const Golden& g : kGoldens) {
        SCOPED_TRACE(g.name);
        std::string text = g.scene != nullptr ? readTextFile(kSource + "/" + g.scene) : std::string(builtinSceneText());
        ASSERT_FALSE(text.empty()) << g.scene;
        std::ostringstream out, err, trace, svg;
        int status = playScene(m(), text, g.scene != nullptr ? g.scene : kBuiltinSceneName, {out, err, &trace, &svg});
        ASSERT_EQ(status, kExitOk) << err.str();
        std::string name = g.name;
        checkGolden(m(), "tests/golden/" + name + ".out", out.str());
        EXPECT_EQ(err.str(), "");
        if (!g.drawn) continue;
        checkGolden(m(), "tests/golden/" + name + ".csv", sampledTrace(trace.str()));
        checkGolden(m(), "docs/" + name + ".svg", svg.str());
    }
}

TEST_P(ModuleTest, GoldenEventReferenceIsCurrent) {
    std::ostringstream out;
    describeEvents(m(), out);
    checkGolden(m(), "docs/events.md", out.str());
}

}  // namespace
