// The command line of kinemo-host run and describe: exit statuses and what
// goes wrong where.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "kinemo-host/commands.h"
#include "kinemo-host/play_scene.h"

using namespace khost;

namespace {

using Command = int (*)(const std::vector<std::string>&);

struct Captured {
    int status;
    std::string out, err;
};

Captured capture(Command command, const std::vector<std::string>& args) {
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
    std::ofstream(tempPath(name), std::ios::binary) << text;
    return tempPath(name);
}

std::string readText(const std::string& path) {
    std::string text;
    std::getline(std::ifstream(path), text, '\0');
    return text;
}

// A failing command writes nothing to stdout, and no file it was given.
TEST(HostCommandLine, RunAndDescribeReportProblemsWithTheirStatus) {
    const std::string good = writeTemp("good.kscene", "kinemo k\nstep 2\n");
    const std::string bad = writeTemp("bad.kscene", "kinemo k\nstep two\n");
    const std::string trace = writeTemp("keep.csv", "keep");
    const std::string missing = tempPath("missing.qlm");
    struct Case {
        Command command;
        std::vector<std::string> args;
        int status;
        std::string err;        // expected to appear in stderr ("" for none)
        std::string out = "";   // expected to appear in stdout
        std::string kept = "";  // a file that must keep its content
    };
    const std::vector<Case> cases = {
        {runCommand, {good}, kExitOk, ""},
        {runCommand, {}, kExitOk, "", "\ndrift: 240 frames"},  // the built-in scene
        {runCommand, {bad}, kExitBadScene, "bad.kscene:2: expected an integer for N in \"step N\", got \"two\""},
        {runCommand, {bad, "--trace", trace}, kExitBadScene, "bad.kscene:2:", "", trace},
        {runCommand, {good, "--trace", good}, kExitBadScene, "would overwrite the scene file", "", good},
        {runCommand, {good, "--svg", trace, "--trace", trace}, kExitBadScene, "name the same file", "", trace},
        {runCommand, {tempPath("missing.kscene")}, kExitFailure, "cannot open"},
        {runCommand, {good, "--trace", "/nonexistent-dir/t.csv"}, kExitFailure, "cannot write /nonexistent-dir/t.csv"},
        {runCommand, {good, "--module", missing}, kExitFailure, "missing.qlm"},
        {runCommand, {good, "--trace"}, kExitBadScene, "--trace needs a value"},
        {runCommand, {good, "--svg", "a.svg", "--svg", "b.svg"}, kExitBadScene, "--svg is given twice"},
        {runCommand, {good, good}, kExitBadScene, "unexpected argument"},
        {runCommand, {"--frames", "3"}, kExitBadScene, "unknown option --frames"},
        {runCommand, {"--help"}, kExitOk, ""},
        {describeCommand, {}, kExitOk, ""},
        {describeCommand, {"scene.kscene"}, kExitBadScene, "unexpected argument scene.kscene"},
        {describeCommand, {"--module", missing}, kExitFailure, "missing.qlm"},
        {describeCommand, {"-h"}, kExitOk, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        std::string before = c.kept.empty() ? "" : readText(c.kept);
        Captured r = capture(c.command, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(c.err.empty() ? r.err.empty() : r.err.find(c.err) != std::string::npos) << r.err;
        EXPECT_TRUE(c.status == kExitOk ? r.out.find(c.out) != std::string::npos : r.out.empty()) << r.out;
        EXPECT_EQ(c.kept.empty() ? "" : readText(c.kept), before) << c.kept;
    }
}

}  // namespace
