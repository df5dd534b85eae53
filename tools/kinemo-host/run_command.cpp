#include <filesystem>
#include <fstream>
#include <optional>
#include <iostream>
#include <sstream>

#include "kinemo-host/builtin_scene.h"
#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/play_scene.h"

namespace khost {
namespace {

constexpr const char* kRunHelp =
    "usage: kinemo-host run [SCENE] [--module PATH] [--trace FILE.csv] [--svg FILE.svg]\n"
    "                       [--html FILE.html]\n"
    "\n"
    "Plays a scene file frame by frame, the way the host application would. Without SCENE\n"
    "it plays a built-in scene with bounce, gravity and wrap.\n"
    "\n"
    "  --module PATH   the module to drive: a kinemo.qlm runs in the emulated host;\n"
    "                  by default the native build linked into this tool\n"
    "  --trace FILE    write a CSV row per instance after each frame\n"
    "  --svg FILE      draw the playfield, the boxes and each target's path\n"
    "  --html FILE     write a page that replays the run frame by frame, with every\n"
    "                  instance's fields; FILE.html#frame=N opens at frame N\n"
    "\n"
    "Scene files hold one command a line; '#' starts a comment:\n"
    "  playfield W H                  playfield size (default 640 480), before any object\n"
    "  object NAME X Y W H HX HY      an object: hot-spot position, image size, hot spot\n"
    "  kinemo NAME                    creates a Kinemo instance\n"
    "  action K TEXT                  e.g. action k Set Position (100, 40)\n"
    "  condition K TEXT               e.g. condition k Is Paused\n"
    "  expression K TEXT              e.g. expression k GetDist(200, 100.5)\n"
    "  step N                         runs N frames\n"
    "  place NAME X Y                 the host moves an object\n"
    "  dump K                         prints the instance's fields\n"
    "  repeat N ... end               runs the lines between N times, e.g. an action\n"
    "                                 and `step 1` for an event that fires every frame\n"
    "Event texts are the module's display strings (see `kinemo-host describe`) with each\n"
    "%N replaced by a value; the degree sign may be left out.\n"
    "\n"
    "Output: one line per condition, expression and dump, then a summary per instance:\n"
    "frames stepped, final position, speed (hundredths of a pixel per frame), and the\n"
    "bounces and wraps seen. Exit status: 0 done, 1 the module or a file failed,\n"
    "2 the scene has errors (reported as FILE:LINE: message; nothing is run).\n";

constexpr size_t kMaxSceneBytes = 16u << 20;

bool readFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = buffer.str();
    if (text.size() > kMaxSceneBytes) {
        error = path + " is larger than " + std::to_string(kMaxSceneBytes >> 20) + " MB";
        return false;
    }
    return true;
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

// An output that names the scene or the other output would destroy data.
std::optional<std::string> outputClash(const CommandLine& line, const std::string& scenePath) {
    auto trace = option(line, "--trace");
    auto svg = option(line, "--svg");
    auto html = option(line, "--html");
    const std::pair<const char*, std::optional<std::string>> outputs[] = {{"--trace", trace}, {"--svg", svg}, {"--html", html}};
    for (auto [name, path] : outputs)
        if (path && !scenePath.empty() && samePath(*path, scenePath))
            return std::string(name) + " " + *path + " would overwrite the scene file";
    for (size_t i = 0; i < std::size(outputs); ++i)
        for (size_t j = i + 1; j < std::size(outputs); ++j)
            if (outputs[i].second && outputs[j].second && samePath(*outputs[i].second, *outputs[j].second))
                return std::string(outputs[i].first) + " and " + outputs[j].first + " name the same file " +
                       *outputs[j].second;
    return std::nullopt;
}

}  // namespace

int runCommand(const std::vector<std::string>& args) {
    CommandLine line = parseCommandLine(args, {"--module", "--trace", "--svg", "--html"}, 1);
    if (line.help) {
        std::cout << kRunHelp;
        return kExitOk;
    }
    if (!line.error.empty()) {
        std::cerr << "kinemo-host run: " << line.error << "\n(see kinemo-host run --help)\n";
        return kExitBadScene;
    }

    std::string text(builtinSceneText());
    std::string fileName(kBuiltinSceneName);
    if (!line.positional.empty()) {
        fileName = line.positional[0];
        std::string error;
        if (!readFile(fileName, text, error)) {
            std::cerr << "kinemo-host run: " << error << '\n';
            return kExitFailure;
        }
    }

    if (auto clash = outputClash(line, line.positional.empty() ? "" : line.positional[0])) {
        std::cerr << "kinemo-host run: " << *clash << '\n';
        return kExitBadScene;
    }

    std::string modulePath = option(line, "--module").value_or("");
    std::ofstream trace, svg, html;
    try {
        auto module = kdrv::openModule(modulePath);
        std::optional<Scene> scene = parseForModule(*module, text, fileName, std::cerr);
        if (!scene) return kExitBadScene;
        // Opened only now: a scene with errors leaves existing files alone.
        for (auto [name, stream] : {std::pair{"--trace", &trace}, std::pair{"--svg", &svg}, std::pair{"--html", &html}}) {
            if (auto path = option(line, name)) {
                stream->open(*path, std::ios::binary | std::ios::trunc);
                if (!*stream) {
                    std::cerr << "kinemo-host run: cannot write " << *path << '\n';
                    return kExitFailure;
                }
            }
        }
        playParsedScene(*module, *scene,
                        {std::cout, std::cerr, trace.is_open() ? &trace : nullptr, svg.is_open() ? &svg : nullptr,
                         html.is_open() ? &html : nullptr});
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "kinemo-host run: " << (modulePath.empty() ? "native module" : modulePath) << ": " << e.what()
                  << '\n';
        return kExitFailure;
    }
    for (auto [name, stream] : {std::pair{"--trace", &trace}, std::pair{"--svg", &svg}, std::pair{"--html", &html}}) {
        if (stream->is_open() && !stream->flush()) {
            std::cerr << "kinemo-host run: writing " << *option(line, name) << " failed\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

}  // namespace khost
