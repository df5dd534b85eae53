#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/file_io.h"
#include "kinemo-host/file_system.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/scene_grammar.h"
#include "kinemo-host/step_observers.h"

namespace khost {
namespace {

constexpr OptionSpec kRunOptions[] = {
    {"--module", true}, {"--library-dir", true}, {"--trace", true},
    {"--svg", true},    {"--html", true},        {"--quiet", false}};

bool samePath(const std::string& a, const std::string& b) { return a != "-" && b != "-" && sameFile(a, b); }

// An output that names an input (the scene, the module) or another output
// would destroy data.
std::optional<std::string> outputClash(const CommandLine& line, const std::string& scenePath,
                                       const std::string& modulePath) {
    const std::pair<const char*, std::optional<std::string>> outputs[] = {
        {"--trace", option(line, "--trace")}, {"--svg", option(line, "--svg")}, {"--html", option(line, "--html")}};
    const std::pair<const char*, const std::string&> inputs[] = {{"scene", scenePath}, {"module", modulePath}};
    for (auto [name, path] : outputs)
        for (auto [input, inputPath] : inputs)
            if (path && !inputPath.empty() && samePath(*path, inputPath))
                return std::string(name) + " " + *path + " would overwrite the " + input + " file";
    for (size_t i = 0; i < std::size(outputs); ++i) {
        for (size_t j = i + 1; j < std::size(outputs); ++j) {
            const auto& [a, pa] = outputs[i];
            const auto& [b, pb] = outputs[j];
            if (!pa || !pb) continue;
            if (*pa == "-" && *pb == "-")
                return std::string(a) + " and " + b + " cannot both write to standard output";
            if (samePath(*pa, *pb)) return std::string(a) + " and " + b + " name the same file " + *pb;
        }
    }
    return std::nullopt;
}

int fail(const std::string& message) {
    std::cout.flush();
    std::cerr << "kinemo-host run: " << message << '\n';
    return kExitFailure;
}

constexpr const char* kRunHelpOptions =
    "usage: kinemo-host run [SCENE] [OPTIONS]\n"
    "\n"
    "Plays a scene file frame by frame, the way the host application would. Without SCENE\n"
    "it plays a built-in scene with bounce, gravity and wrap; SCENE - reads standard input.\n"
    "\n"
    "Options:\n"
    "  --module PATH   the module to drive: a kinemo.qlm runs in the emulator (on\n"
    "                  Windows, Windows loads it); by default the build linked\n"
    "                  into this tool\n";

constexpr const char* kRunHelpOutputs =
    "  --trace FILE    write a CSV row per instance after each frame\n"
    "  --svg FILE      draw the playfield, the boxes and each target's path\n"
    "  --html FILE     write a page that replays the run frame by frame, with every\n"
    "                  instance's fields; FILE.html#frame=N opens at frame N\n"
    "  --quiet         no progress display (shown only on a terminal, after a second)\n"
    "  -h, --help      show this help\n"
    "FILE - is standard output; the results then go to standard error. A file is\n"
    "written whole or not at all: a failed or interrupted run leaves existing files\n"
    "as they were. A failed write stops the run at once.\n"
    "\n"
    "Scene files hold one command a line; '#' starts a comment:\n";

constexpr const char* kRunHelpEvents =
    "Event texts are the module's display strings (see kinemo-host describe) with each\n"
    "%N replaced by a value; the degree sign may be left out.\n"
    "\n"
    "Expression arguments: an integer goes over as a signed 32-bit integer, a number\n"
    "with a point or an exponent (or nan, inf, -0) as the bits of a 32-bit float. The\n"
    "module reads each by its own integer-or-float rule: a float below 1 in magnitude\n"
    "(0.5, -0), nan, inf, and a multiple of 2^32 are read as the integer of their bits,\n"
    "and kinemo-host warns when it sees one. Integers from -620756992 to 1065353215\n"
    "and floats from 1 to below 2^32 in magnitude arrive as written.\n"
    "\n";

constexpr const char* kRunHelpOutput =
    "\n"
    "Output: one line per condition, expression and dump, then a summary per instance:\n"
    "frames stepped, final position, speed (hundredths of a pixel per frame), and the\n"
    "frames in which it bounced or wrapped.\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the module, a file or standard output failed\n"
    "  2  usage error, or the scene has errors or nothing to run (reported as\n"
    "     FILE:LINE: message; nothing is run and no file is written)\n";

constexpr size_t kHelpWidth = 82;

// The scene commands and limits come from the scene grammar.
std::string runHelp() {
    return kRunHelpOptions + std::string(kLibraryDirHelp) + kRunHelpOutputs + sceneCommandsHelp() + kRunHelpEvents +
           sceneLimitsText(kHelpWidth) + kRunHelpOutput;
}

int runScene(const std::vector<std::string>& args) {
    CommandLine line = parseCommandLine(args, kRunOptions, 1);
    if (auto status = endsBeforeStart(line, "run", runHelp().c_str(), std::cout, std::cerr)) return *status;
    const std::string scenePath = line.positional.empty() ? "" : line.positional[0];
    const std::string modulePath = option(line, "--module").value_or("");
    const std::string libraryDir = option(line, "--library-dir").value_or("");
    if (auto problem = libraryDirProblem(line)) return usageError(std::cerr, "run", *problem);
    if (auto clash = outputClash(line, scenePath, modulePath)) return usageError(std::cerr, "run", *clash);

    std::string text(builtinSceneText());
    std::string fileName(kBuiltinSceneName);
    std::string error;
    if (!scenePath.empty()) {
        fileName = scenePath == "-" ? "<stdin>" : scenePath;
        if (!readInput(scenePath, kMaxSceneBytes, text, error)) return fail(error);
    }
    if (!modulePath.empty() && !checkReadable(modulePath, error)) return fail(error);
    if (!libraryDir.empty() && !checkFolder(libraryDir, error)) return fail(error);

    OutputFile trace, svg, html;
    try {
        auto module = kdrv::openModule(modulePath, libraryDir);
        std::optional<Scene> scene = parseForModule(*module, text, fileName, std::cerr);
        if (!scene) return kExitBadScene;
        // Opened only now: a scene with errors leaves existing files alone.
        for (auto [name, file] : {std::pair{"--trace", &trace}, std::pair{"--svg", &svg}, std::pair{"--html", &html}})
            if (auto path = option(line, name); path && !file->open(*path, error)) return fail(error);
        bool resultsToStderr = trace.toStdout() || svg.toStdout() || html.toStdout();
        std::optional<ProgressMeter> progress;
        if (progressWanted(isatty(STDERR_FILENO) != 0, flag(line, "--quiet")))
            progress.emplace(std::cerr, scene->totalFrames);
        playParsedScene(*module, *scene,
                        {resultsToStderr ? std::cerr : std::cout, std::cerr,
                         trace.isOpen() ? &trace.stream() : nullptr, svg.isOpen() ? &svg.stream() : nullptr,
                         html.isOpen() ? &html.stream() : nullptr, progress ? &*progress : nullptr});
    } catch (const std::ios_base::failure&) {
        // A write failed: stop there, naming the file and why.
        const int reason = errno;
        for (const OutputFile* file : {&trace, &svg, &html})
            if (file->failed()) return fail("cannot write " + file->path() + ": " + std::strerror(reason));
        throw;  // standard output: reported by the top level
    } catch (const std::exception& e) {
        return fail(aboutFile(moduleName(modulePath), e.what()));
    }
    // Both finished before either replaces its target.
    for (OutputFile* file : {&trace, &svg, &html})
        if (file->isOpen() && !file->finish(error)) return fail(error);
    for (OutputFile* file : {&trace, &svg, &html})
        if (file->isOpen() && !file->commit(error)) return fail(error);
    return kExitOk;
}

}  // namespace

const Command kRunCommand{"run", runScene, runHelp, "run [SCENE]",
                          "play a scene file (or the built-in scene) frame by frame,\n"
                          "with an optional CSV trace, SVG picture and HTML replay page"};

}  // namespace khost
