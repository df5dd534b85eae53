// kinemo-host: plays Kinemo scenes headless, and describes and checks a module.
#include <iostream>
#include <string>
#include <vector>

#include "kinemo-host/commands.h"
#include "kinemo-host/play_scene.h"
#include "kinemo-host/validate.h"

namespace {
constexpr const char* kHelp =
    "usage: kinemo-host COMMAND [OPTIONS]\n"
    "\n"
    "Drives the Kinemo module the way the host application does, without the host.\n"
    "\n"
    "Commands:\n"
    "  run [SCENE]   play a scene file (or the built-in scene) frame by frame,\n"
    "                with an optional CSV trace and SVG picture\n"
    "  describe      print a Markdown reference of the module's events\n"
    "  validate      check a module build against the host contract\n"
    "\n"
    "Every command takes --module PATH (a kinemo.qlm, run in the emulated host;\n"
    "by default the native build linked in) and --help.\n";

struct SubCommand {
    const char* name;
    int (*run)(const std::vector<std::string>&);
};
constexpr SubCommand kCommands[] = {
    {"run", khost::runCommand},
    {"describe", khost::describeCommand},
    {"validate", runValidate},
};
}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::cerr << kHelp;
        return khost::kExitBadScene;
    }
    if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::cout << kHelp;
        return khost::kExitOk;
    }
    for (const SubCommand& c : kCommands)
        if (words[0] == c.name) return c.run({words.begin() + 1, words.end()});
    std::cerr << "kinemo-host: unknown command " << words[0] << "\n\n" << kHelp;
    return khost::kExitBadScene;
}
