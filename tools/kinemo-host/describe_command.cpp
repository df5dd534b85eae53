#include <ios>
#include <iostream>
#include <sstream>

#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/describe.h"
#include "kinemo-host/file_io.h"
#include "kinemo-host/play_scene.h"

namespace khost {
namespace {
constexpr OptionSpec kDescribeOptions[] = {{"--module", true}, {"--library-dir", true}};

constexpr const char* kDescribeHelp =
    "usage: kinemo-host describe [OPTIONS]\n"
    "\n"
    "Prints a Markdown reference of every action, the condition and every expression:\n"
    "the menu tree as the author sees it, the display strings, and each parameter with\n"
    "its title, type and unit. Everything is read from the module through its own\n"
    "edit-time entry points. docs/events.md is this output for the native build.\n"
    "\n"
    "Options:\n"
    "  --module PATH   a kinemo.qlm to read in the emulator (on Windows, loaded\n"
    "                  by Windows); by default the build linked into this tool\n";

constexpr const char* kDescribeHelpEnd =
    "  -h, --help      show this help\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the module or standard output failed\n"
    "  2  usage error\n";

std::string describeHelp() { return kDescribeHelp + std::string(kLibraryDirHelp) + kDescribeHelpEnd; }

int describe(const std::vector<std::string>& args) {
    CommandLine line = parseCommandLine(args, kDescribeOptions, 0);
    if (auto status = endsBeforeStart(line, "describe", describeHelp().c_str(), std::cout, std::cerr)) return *status;
    if (auto problem = libraryDirProblem(line)) return usageError(std::cerr, "describe", *problem);
    std::string modulePath = option(line, "--module").value_or("");
    std::string libraryDir = option(line, "--library-dir").value_or("");
    std::string error;
    if ((!modulePath.empty() && !checkReadable(modulePath, error)) ||
        (!libraryDir.empty() && !checkFolder(libraryDir, error))) {
        std::cerr << "kinemo-host describe: " << error << '\n';
        return kExitFailure;
    }
    try {
        auto module = kdrv::openModule(modulePath, libraryDir);
        // Built whole first, so a failure half-way prints nothing.
        std::ostringstream text;
        describeEvents(*module, text);
        std::cout << text.str();
    } catch (const std::ios_base::failure&) {
        throw;  // standard output failed: reported by the top level
    } catch (const std::exception& e) {
        std::cerr << "kinemo-host describe: " << aboutFile(moduleName(modulePath), e.what())
                  << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kDescribeCommand{"describe", describe, describeHelp, "describe",
                                "print a Markdown reference of the module's events"};

}  // namespace khost
