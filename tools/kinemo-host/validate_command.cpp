// `kinemo-host validate [--module PATH]`: the battery of contract checks, a
// pass/fail line each, a final count, and a non-zero exit on any failure.
#include <exception>
#include <iostream>

#include "kinemo-host/command_line.h"
#include "kinemo-host/commands.h"
#include "kinemo-host/exit_status.h"
#include "kinemo-host/file_io.h"
#include "validate/validate.h"

namespace khost {
namespace {

constexpr const char* kValidateHelp =
    "usage: kinemo-host validate [OPTIONS]\n"
    "\n"
    "Checks a module build against the host application's contract: every entry point\n"
    "with its argument count, the registration values and routine tables, descriptor\n"
    "rows against menus and strings, every text entry point at every buffer size from\n"
    "1 to 300, leaks of menus, resources and allocations, and random run-time calls.\n"
    "Prints a PASS or FAIL line per check and the counts. A module DLL that Windows\n"
    "binds to a host's own support library gets a SKIP line, with the reason, for each\n"
    "check that needs this tool's stand-in of that library (the leak counts, and the\n"
    "About box, which would wait for a user).\n"
    "\n"
    "Options:\n"
    "  --module PATH   a kinemo.qlm to check in the emulator (on Windows, loaded\n"
    "                  by Windows); by default the build linked into this tool\n";

constexpr const char* kValidateHelpEnd =
    "  --seed N        seed of the random run-time calls (default 1)\n"
    "  --calls N       number of random run-time calls, 0 to 100000000 (default 5000)\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status:\n"
    "  0  every check passed\n"
    "  1  a check failed, or the module or standard output failed\n"
    "  2  usage error\n";

std::string validateHelp() { return kValidateHelp + std::string(kLibraryDirHelp) + kValidateHelpEnd; }

constexpr OptionSpec kValidateOptions[] = {
    {"--module", true}, {"--library-dir", true}, {"--seed", true}, {"--calls", true}};
constexpr int64_t kMaxRandomCalls = 100'000'000;

struct Options {
    std::string modulePath;  // empty: the native build
    std::string libraryDir;
    uint64_t seed = 1;
    int randomCalls = 5000;
    bool help = false;
};

std::optional<std::string> parseOptions(const std::vector<std::string>& args, Options& out) {
    CommandLine line = parseCommandLine(args, kValidateOptions, 0);
    if (!line.error.empty()) return line.error;
    out.help = line.help;
    if (auto problem = libraryDirProblem(line); problem && !line.help) return problem;
    out.modulePath = option(line, "--module").value_or("");
    out.libraryDir = option(line, "--library-dir").value_or("");
    std::string error;
    int64_t seed = static_cast<int64_t>(out.seed), calls = out.randomCalls;
    if (!integerOption(line, "--seed", 0, INT64_MAX, seed, error) ||
        !integerOption(line, "--calls", 0, kMaxRandomCalls, calls, error))
        return error;
    out.seed = static_cast<uint64_t>(seed);
    out.randomCalls = static_cast<int>(calls);
    return std::nullopt;
}

int validate(const std::vector<std::string>& args) {
    Options options;
    if (auto error = parseOptions(args, options)) return usageError(std::cerr, "validate", *error);
    if (options.help) {
        std::cout << validateHelp();
        return kExitOk;
    }
    std::string error;
    if ((!options.modulePath.empty() && !checkReadable(options.modulePath, error)) ||
        (!options.libraryDir.empty() && !checkFolder(options.libraryDir, error))) {
        std::cerr << "kinemo-host validate: " << error << '\n';
        return kExitFailure;
    }
    kvalidate::Report report(std::cout);
    std::unique_ptr<kdrv::Module> module;
    try {
        module = kdrv::openModule(options.modulePath, options.libraryDir);
    } catch (const std::exception& e) {
        report.fail("load module", e.what());
        std::cout << report.passed() << " passed, " << report.failed() << " failed\n";
        return kExitFailure;
    }
    std::cout << "Validating the " << module->kind() << " module"
              << (options.modulePath.empty() ? "" : " " + options.modulePath) << "\n";
    kvalidate::runBattery(*module, report, options.seed, options.randomCalls);
    std::cout << report.passed() << " passed, " << report.failed() << " failed"
              << (report.skipped() != 0 ? ", " + std::to_string(report.skipped()) + " skipped" : std::string()) << '\n';
    return report.failed() == 0 ? kExitOk : kExitFailure;
}

}  // namespace

const Command kValidateCommand{"validate", validate, validateHelp, "validate",
                                "check a module build against the host application's contract"};

}  // namespace khost
