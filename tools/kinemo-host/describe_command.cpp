#include <iostream>
#include <sstream>

#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/describe.h"
#include "kinemo-host/play_scene.h"

namespace khost {
namespace {
constexpr const char* kDescribeHelp =
    "usage: kinemo-host describe [--module PATH]\n"
    "\n"
    "Prints a Markdown reference of every action, the condition and every expression:\n"
    "the menu tree as the author sees it, the display strings, and each parameter with\n"
    "its title, type and unit. Everything is read from the module through its own\n"
    "edit-time entry points. docs/events.md is this output for the native build.\n"
    "\n"
    "  --module PATH   a kinemo.qlm to read in the emulated host; by default the\n"
    "                  native build linked into this tool\n";
}  // namespace

int describeCommand(const std::vector<std::string>& args) {
    CommandLine line = parseCommandLine(args, {"--module"}, 0);
    if (line.help) {
        std::cout << kDescribeHelp;
        return kExitOk;
    }
    if (!line.error.empty()) {
        std::cerr << "kinemo-host describe: " << line.error << "\n(see kinemo-host describe --help)\n";
        return kExitBadScene;
    }
    std::string modulePath = option(line, "--module").value_or("");
    try {
        auto module = kdrv::openModule(modulePath);
        // Built whole first, so a failure half-way prints nothing.
        std::ostringstream text;
        describeEvents(*module, text);
        std::cout << text.str();
    } catch (const std::exception& e) {
        std::cerr << "kinemo-host describe: " << (modulePath.empty() ? "native module" : modulePath) << ": "
                  << e.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace khost
