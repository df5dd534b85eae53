// The command line of kinemo-host run and describe: exit statuses and what
// goes wrong where, and scene text that must never bring the parser down.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "kinemo-host/commands.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/scene_parser.h"

using namespace khost;

namespace {

struct Captured {
    int status;
    std::string out, err;
};

Captured capture(int (*command)(const std::vector<std::string>&), const std::vector<std::string>& args) {
    std::ostringstream out, err;
    auto* oldOut = std::cout.rdbuf(out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    int status = command(args);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {status, out.str(), err.str()};
}

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("kinemo_host_cli_" + name)).string();
}

std::string writeTemp(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(HostCommandLine, RunAndDescribeReportProblemsWithTheirStatus) {
    const std::string good = writeTemp("good.kscene", "kinemo k\nstep 2\n");
    const std::string bad = writeTemp("bad.kscene", "kinemo k\nstep two\n");
    struct Case {
        int (*command)(const std::vector<std::string>&);
        std::vector<std::string> args;
        int status;
        const char* err;  // expected to appear in stderr ("" for none)
    };
    const std::vector<Case> cases = {
        {runCommand, {good}, kExitOk, ""},
        {runCommand, {bad}, kExitBadScene, "bad.kscene:2: expected an integer for N in \"step N\", got \"two\""},
        {runCommand, {tempPath("missing.kscene")}, kExitFailure, "cannot open"},
        {runCommand, {good, "--trace", "/nonexistent-dir/t.csv"}, kExitFailure, "cannot write /nonexistent-dir/t.csv"},
        {runCommand, {good, "--module", tempPath("missing.qlm")}, kExitFailure, "missing.qlm"},
        {runCommand, {good, "--trace"}, kExitBadScene, "--trace needs a value"},
        {runCommand, {good, "--svg", "a.svg", "--svg", "b.svg"}, kExitBadScene, "--svg is given twice"},
        {runCommand, {good, good}, kExitBadScene, "unexpected argument"},
        {runCommand, {"--frames", "3"}, kExitBadScene, "unknown option --frames"},
        {runCommand, {"--help"}, kExitOk, ""},
        {describeCommand, {}, kExitOk, ""},
        {describeCommand, {"scene.kscene"}, kExitBadScene, "unexpected argument scene.kscene"},
        {describeCommand, {"--module", tempPath("missing.qlm")}, kExitFailure, "missing.qlm"},
        {describeCommand, {"-h"}, kExitOk, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        Captured r = capture(c.command, c.args);
        EXPECT_EQ(r.status, c.status) << line << r.err;
        if (*c.err == '\0') EXPECT_EQ(r.err, "") << line;
        else EXPECT_NE(r.err.find(c.err), std::string::npos) << line << "\n" << r.err;
    }
}

TEST(HostCommandLine, BadSceneOrClashingOutputsLeaveFilesAlone) {
    const std::string bad = writeTemp("keep_bad.kscene", "kinemo k\naction k Fly\n");
    const std::string good = writeTemp("keep_good.kscene", "kinemo k\nstep 1\n");
    const std::string trace = writeTemp("keep.csv", "keep");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string file;  // must keep its content
    };
    const Case cases[] = {
        {{bad, "--trace", trace}, kExitBadScene, trace},
        {{good, "--trace", good}, kExitBadScene, good},
        {{good, "--svg", trace, "--trace", trace}, kExitBadScene, trace},
    };
    for (const Case& c : cases) {
        std::string before;
        std::getline(std::ifstream(c.file), before, '\0');
        Captured r = capture(runCommand, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, "");
        std::string after;
        std::getline(std::ifstream(c.file), after, '\0');
        EXPECT_EQ(after, before) << c.file;
    }
}

// The summary line of one instance.
std::string summaryOf(const std::string& out, const std::string& instance) {
    size_t at = out.find("\n" + instance + ": ");
    return at == std::string::npos ? "" : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

TEST(HostCommandLine, BuiltInSceneBouncesAndWraps) {
    Captured r = capture(runCommand, {});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(summaryOf(r.out, "k").find("bounces 0"), std::string::npos) << r.out;
    EXPECT_EQ(summaryOf(r.out, "drift").find("wraps 0"), std::string::npos) << r.out;
    EXPECT_NE(summaryOf(r.out, "drift"), "") << r.out;
}

TEST(SceneParser, HostileTextNeverThrowsAndEveryErrorHasFileAndLine) {
    static const EventLanguage events = [] {
        auto m = kdrv::openNative();
        return readEventLanguage(*m);
    }();
    std::string deep;
    for (int i = 0; i < 20; ++i) deep += "repeat 1000000\n";
    const std::vector<std::string> texts = {
        "",
        "\n\n\n",
        std::string("kinemo k\0action k Set Speed 1\n", 31),
        std::string(100000, 'x'),
        "kinemo k\naction k " + std::string(5000, '(') + "\n",
        "kinemo k\nexpression k GetDist(" + std::string(3000, '9') + ", 1)\n",
        deep + "step 1\n",
        "end\nend\nrepeat\nrepeat -1\nrepeat 99999999999999999999\n",
        "object a 0 0 0 0 0 0\nkinemo k\naction k Set Object a a\naction k Rotate \xC2\xB0\xC2\xB0 towards \xB0\n",
        "kinemo k\n" + std::string(200, '\n') + "stpe\n" + std::string(300, 'q') + "\n",
    };
    for (const std::string& text : texts) {
        SceneParse p = parseScene(text, "h", events);
        for (const std::string& e : p.errors) {
            EXPECT_EQ(e.rfind("h:", 0), 0u) << e;
            EXPECT_NE(e.find(": ", 2), std::string::npos) << e;
        }
    }
    EXPECT_FALSE(parseScene(deep + "step 1\n", "h", events).ok());
}

}  // namespace
