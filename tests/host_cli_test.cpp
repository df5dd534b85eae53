// The command line of kinemo-host: exit statuses, what goes wrong where, and
// that a failed or killed run leaves every file it was given as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/step_observers.h"
#include "support/text_file.h"

using namespace khost;

namespace {

struct Captured {
    int status;
    std::string out, err;
};

// Runs the tool; with `fullDisk`, standard output is a file on a full disk.
Captured capture(const std::vector<std::string>& words, bool fullDisk = false) {
    std::ostringstream out, err;
    std::filebuf full;
    if (fullDisk) full.open("/dev/full", std::ios::out);
    auto* oldOut = std::cout.rdbuf(fullDisk ? static_cast<std::streambuf*>(&full) : out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    int status = kinemoHost(words);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    std::cout.clear();
    return {status, out.str(), err.str()};
}

std::string tempPath(const std::string& name) {
    // Per process: other checkouts may run these tests at the same time.
    return (std::filesystem::temp_directory_path() / ("kinemo_host_cli_" + std::to_string(getpid()) + "_" + name)).string();
}

std::string writeTemp(const std::string& name, const std::string& text) {
    std::ofstream(tempPath(name), std::ios::binary) << text;
    return tempPath(name);
}

// Every file in the scratch directory: nothing else (no temporary) may remain.
std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A failing command writes nothing to stdout, and leaves the files it was given.
TEST(HostCommandLine, EveryCommandReportsProblemsWithTheirStatus) {
    const std::string good = writeTemp("good.kscene", "kinemo k\nstep 2\n");
    const std::string longRun = writeTemp("long.kscene", "kinemo k\nstep 1000000\n");
    const std::string bad = writeTemp("bad.kscene", "kinemo k\nstep two\n");
    const std::string comments = writeTemp("comments.kscene", "# to do\n\n");
    const std::string trace = writeTemp("keep.csv", "keep");
    const std::string module = writeTemp("keep.qlm", "keep");
    const std::string moduleAgain = (std::filesystem::path(module).parent_path() / "." /
                                     std::filesystem::path(module).filename()).string();
    const std::string missing = tempPath("missing.qlm");
    const std::string dir = std::filesystem::temp_directory_path().string();
    const std::string see = "\n(see kinemo-host ";
    const std::string version = "kinemo-host " + readTextFile(std::string(KINEMO_SOURCE_DIR) + "/VERSION");
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string err;        // expected to appear in stderr ("" for none)
        std::string out = "";   // expected to appear in stdout
        bool fullDisk = false;  // stdout on a full disk
    };
    const std::vector<Case> cases = {
        {{"run", good}, kExitOk, ""},
        {{"run"}, kExitOk, "", "\ndrift: 240 frames"},  // the built-in scene
        {{"run", "--quiet", good}, kExitOk, ""},
        {{"run", bad}, kExitBadScene, "bad.kscene:2: expected an integer for N in \"step N\", got \"two\""},
        {{"run", bad, "--trace", trace, "--html", trace + ".html"}, kExitBadScene, "bad.kscene:2:"},
        {{"run", comments, "--trace", trace}, kExitBadScene,
         "comments.kscene:3: nothing to run: the scene has only comments and blank lines\n"},
        {{"run", good, "--html", good}, kExitUsage, "--html " + good + " would overwrite the scene file"},
        {{"run", good, "--module", module, "--svg", module}, kExitUsage,
         "--svg " + module + " would overwrite the module file"},
        {{"run", good, "--module=" + module, "--html", moduleAgain}, kExitUsage, "would overwrite the module file"},
        {{"run", good, "--svg", trace, "--trace", "/nonexistent-dir/t.csv"}, kExitFailure,
         "cannot write /nonexistent-dir/t.csv: No such file or directory"},
        {{"run", good, "--trace", dir}, kExitFailure, "cannot write " + dir + ": Is a directory"},
        // Stopped at the failed write: no summary follows.
        {{"run", longRun, "--trace", "/dev/full"}, kExitFailure, "cannot write /dev/full: No space left on device"},
        {{"run", tempPath("missing.kscene")}, kExitFailure, "cannot open " + tempPath("missing.kscene") + ": No such file"},
        {{"run", dir}, kExitFailure, "cannot read " + dir + ": Is a directory"},
        {{"run", good, "--module", missing}, kExitFailure, "cannot open " + missing + ": No such file or directory"},
        // A support library folder means something only where Windows loads the module.
        {{"run", good, "--module", module, "--library-dir", dir}, kExitUsage,
         "kinemo-host run: --library-dir works only in kinemo-host for Windows"},
        {{"validate", "--library-dir", dir}, kExitUsage, "--library-dir works only in kinemo-host for Windows"},
        {{"describe", "--library-dir", dir, "--help"}, kExitOk, "", "--library-dir DIR"},
        {{"run", good, "--trace=-"}, kExitOk, "k: 2 frames, unbound", "frame,instance,x,"},  // results move to stderr
        {{"run", good, "--trace", good}, kExitUsage, "would overwrite the scene file" + see + "run --help)"},
        {{"run", good, "--svg", trace, "--trace", trace}, kExitUsage, "name the same file"},
        {{"run", good, "--svg=-", "--trace", "-"}, kExitUsage, "cannot both write to standard output"},
        {{"run", good, "--trace"}, kExitUsage, "kinemo-host run: --trace needs a value" + see + "run --help)"},
        {{"run", good, "--svg", "a.svg", "--svg=b.svg"}, kExitUsage, "--svg is given twice"},
        {{"run", good, "--quiet=yes"}, kExitUsage, "--quiet takes no value"},
        {{"run", good, good}, kExitUsage, "unexpected argument \"" + good + "\""},
        {{"run", "--frames", "3"}, kExitUsage, "unknown option \"--frames\"" + see + "run --help)"},
        {{"run", "--tr", "t.csv"}, kExitUsage, "unknown option \"--tr\"; did you mean \"--trace\"?" + see},
        {{"run", "--Trace=t.csv"}, kExitUsage, "unknown option \"--Trace\"; did you mean \"--trace\"?" + see},
        {{"run", "--modul", "m.qlm"}, kExitUsage, "unknown option \"--modul\"; did you mean \"--module\"?" + see},
        {{"validate", "--seeed", "2"}, kExitUsage, "unknown option \"--seeed\"; did you mean \"--seed\"?" + see},
        {{"run", "--help"}, kExitOk, "", "Exit status:\n  0  done"},
        {{"run", good}, kExitFailure, "writing standard output failed: No space left on device", "", true},
        {{"describe"}, kExitOk, "", "Set Speed %0"},
        {{"describe", "--module", good}, kExitFailure, "describe: " + good + ": too small for a DOS header"},
        {{"describe", "scene.kscene"}, kExitUsage, "unexpected argument \"scene.kscene\"" + see + "describe --help)"},
        {{"describe"}, kExitFailure, "writing standard output failed: No space left on device", "", true},
        {{"validate", "--calls", "99999999999"}, kExitUsage, "--calls \"99999999999\" is out of range (0 to 100000000)" + see},
        {{"validate", "--calls=10"}, kExitFailure, "writing standard output failed: No space left on device", "", true},
        {{"--version"}, kExitOk, "", version},
        {{"-V"}, kExitOk, "", version},
        {{"version"}, kExitOk, "", version},
        {{"version", "--help"}, kExitOk, "", "usage: kinemo-host version"},
        {{"version", "now"}, kExitUsage, "version takes nothing after it, got \"now\""},
        {{"help", "help"}, kExitOk, "", "usage: kinemo-host help [COMMAND]\n"},
        {{"help"}, kExitOk, "", "Commands:\n"},
        {{"help", "rnu"}, kExitUsage, "kinemo-host: unknown command \"rnu\"; did you mean \"run\"?" + see},
        {{"help", "validate"}, kExitOk, "", "usage: kinemo-host validate [OPTIONS]\n"},
        {{"play"}, kExitUsage, "kinemo-host: unknown command \"play\"" + see + "--help)"},
        {{"descibe"}, kExitUsage, "kinemo-host: unknown command \"descibe\"; did you mean \"describe\"?" + see},
        {{}, kExitUsage, "usage: kinemo-host COMMAND"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.words) line += a + " ";
        SCOPED_TRACE(line);
        Captured r = capture(c.words, c.fullDisk);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(c.err.empty() ? r.err.empty() : r.err.find(c.err) != std::string::npos) << r.err;
        EXPECT_TRUE(c.status == kExitOk ? r.out.find(c.out) != std::string::npos : r.out.empty()) << r.out;
        EXPECT_EQ(readTextFile(trace), "keep");
        EXPECT_EQ(readTextFile(good), "kinemo k\nstep 2\n");
        EXPECT_EQ(readTextFile(module), "keep");
    }
    EXPECT_FALSE(std::filesystem::exists(trace + ".html")) << "a page for a bad scene";
    for (const std::string& file : {good, longRun, bad, comments, trace, module}) std::filesystem::remove(file);
}

// Outputs land whole, under their own names, with no temporary left beside them.
TEST(HostCommandLine, OutputsAreReplacedWholeOrNotAtAll) {
    const std::string dir = tempPath("outputs");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const std::string scene = dir + "/s.kscene", trace = dir + "/t.csv", svg = dir + "/p.svg";
    std::ofstream(scene) << "object o 10 10 4 4 0 0\nkinemo k\naction k Set Object o\naction k Set X Speed 100\nstep 3\n";
    std::ofstream(trace) << "old";
    EXPECT_EQ(capture({"run", scene, "--trace", trace, "--svg", dir + "/missing/p.svg"}).status, kExitFailure);
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"s.kscene", "t.csv"}));
    EXPECT_EQ(readTextFile(trace), "old");
    // The scene from standard input, named so in messages.
    const int savedStdin = dup(STDIN_FILENO);
    ASSERT_NE(std::freopen(scene.c_str(), "r", stdin), nullptr);
    Captured fromStdin = capture({"run", "-"});
    EXPECT_EQ(fromStdin.out, "k: 3 frames, position (13, 10), speed 100, bounces 0, wraps 0\n") << fromStdin.err;
    // Empty standard input runs nothing, and says so.
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    Captured empty = capture({"run", "-", "--trace", trace});
    dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    std::clearerr(stdin);
    EXPECT_EQ(empty.status, kExitBadScene);
    EXPECT_EQ(empty.err, "<stdin>:1: nothing to run: the scene is empty\n");
    EXPECT_EQ(readTextFile(trace), "old");
    ASSERT_EQ(capture({"run", scene, "--trace=" + trace, "--svg=" + svg}).status, kExitOk);
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"p.svg", "s.kscene", "t.csv"}));
    EXPECT_EQ(readTextFile(trace).substr(0, 15), "frame,instance,");
    EXPECT_EQ(readTextFile(svg).substr(readTextFile(svg).size() - 7), "</svg>\n");
    // A pipe (like a device) is written in place, and a link keeps pointing at the file it names.
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);  // the picture fits in the pipe's buffer
    std::ofstream(trace) << "old";
    std::filesystem::create_symlink("t.csv", dir + "/link.csv");
    ASSERT_EQ(capture({"run", scene, "--trace", dir + "/link.csv", "--svg", pipe}).status, kExitOk);
    ::close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.csv"));
    EXPECT_EQ(readTextFile(trace).substr(0, 15), "frame,instance,");
    std::filesystem::remove_all(dir);
}

// A run that a signal ends leaves its outputs as they were, with no temporary.
TEST(HostCommandLine, ASignalLeavesNoTemporaryBehind) {
    const std::string dir = tempPath("signal");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const std::string scene = dir + "/s.kscene", trace = dir + "/t.csv";
    std::ofstream(scene) << "kinemo k\nstep 1000000\n";
    std::ofstream(trace) << "old";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(kinemoHost({"run", "--quiet", scene, "--trace", trace}));
    // Signalled once the temporary exists, long before a million frames are written.
    for (int i = 0; i < 2000 && filesIn(dir).size() < 3; ++i) usleep(5000);
    EXPECT_EQ(filesIn(dir).size(), 3u) << "no temporary appeared";
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"s.kscene", "t.csv"}));
    EXPECT_EQ(readTextFile(trace), "old");
    std::filesystem::remove_all(dir);
}

}  // namespace
