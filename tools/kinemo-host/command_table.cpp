// kinemo-host's top level: the table of commands, help and version, and the
// final check of standard output.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string_view>

#include "kinemo-host/commands.h"
#include "kinemo-host/exit_status.h"
#include "kinemo-host/file_io.h"
#include "kinemo-host/scene_tokens.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

// The release version, from the file VERSION through the build.
constexpr const char* kVersion = "kinemo-host " KINEMO_VERSION "\n";

constexpr const char* kHelp =
    "usage: kinemo-host COMMAND [OPTIONS]\n"
    "       kinemo-host help COMMAND\n"
    "       kinemo-host --version   (or -V, or version)\n"
    "\n"
    "Drives the Kinemo module the way the host application does, without it.\n"
    "\n"
    "Commands:\n";

constexpr const char* kHelpAfterCommands =
    "\n"
    "Every command takes --module PATH (a kinemo.qlm, run in the emulator; on\n"
    "Windows, loaded by Windows, its support library found with --library-dir DIR;\n"
    "by default the build linked in) and --help. An option's value may follow it\n"
    "as the next word or after '=': --module x.qlm, --module=x.qlm.\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the module, a file or standard output failed (validate: a check failed)\n"
    "  2  usage error, or the scene has errors\n";

constexpr const char* kHelpHelp =
    "usage: kinemo-host help [COMMAND]\n"
    "\n"
    "Shows the help of COMMAND (the same as kinemo-host COMMAND --help), or without\n"
    "COMMAND the list of commands.\n";

constexpr const char* kVersionHelp =
    "usage: kinemo-host version   (or kinemo-host --version, kinemo-host -V)\n"
    "\n"
    "Prints the version of kinemo-host.\n";

int help(const std::vector<std::string>& args);
int version(const std::vector<std::string>& args);

const Command kHelpCommand{"help", help, [] { return std::string(kHelpHelp); }, "help COMMAND",
                           "show the help of a command"};
const Command kVersionCommand{"version", version, [] { return std::string(kVersionHelp); }, "version",
                              "print the version of kinemo-host"};

const Command* const kCommands[] = {&kRunCommand, &kDescribeCommand, &kValidateCommand, &kHelpCommand, &kVersionCommand};

// The overview: usage, then one entry per command from the table.
std::string overview() {
    constexpr size_t kUsageColumn = 14;
    std::string text = kHelp;
    for (const Command* c : kCommands) {
        std::string usage = c->usage;
        usage.resize(std::max(usage.size() + 2, kUsageColumn), ' ');
        text += "  " + usage;
        for (const char ch : std::string_view(c->summary))
            text += ch == '\n' ? "\n  " + std::string(kUsageColumn, ' ') : std::string(1, ch);
        text += '\n';
    }
    return text + kHelpAfterCommands;
}

const Command* findCommand(const std::string& name) {
    for (const Command* c : kCommands)
        if (name == c->name) return c;
    return nullptr;
}

int topLevelUsageError(const std::string& message) {
    std::cerr << "kinemo-host: " << message << "\n(see kinemo-host --help)\n";
    return kExitUsage;
}

int unknownCommand(const std::string& name) {
    std::vector<std::string> names;
    for (const Command* c : kCommands) names.emplace_back(c->name);
    auto near = closestCandidate(name, names);
    return topLevelUsageError("unknown command " + khost::quoted(name) + (near ? "; did you mean " + khost::quoted(names[*near]) + "?" : ""));
}

int help(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cout << overview();
        return kExitOk;
    }
    if (args.size() > 1) return topLevelUsageError("help takes one command, got " + khost::quoted(args[1]));
    if (args[0] == "--help" || args[0] == "-h") {
        std::cout << kHelpHelp;
        return kExitOk;
    }
    const Command* c = findCommand(args[0]);
    if (c == nullptr) return unknownCommand(args[0]);
    std::cout << c->help();
    return kExitOk;
}

int version(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kVersionHelp;
        return kExitOk;
    }
    if (!args.empty()) return topLevelUsageError("version takes nothing after it, got " + khost::quoted(args[0]));
    std::cout << kVersion;
    return kExitOk;
}

int dispatch(const std::vector<std::string>& words) {
    if (words.empty()) {
        std::cerr << overview();
        return kExitUsage;
    }
    const std::string& first = words[0];
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (first == "--help" || first == "-h") return help(rest);
    if (first == "--version" || first == "-V") return version(rest);
    if (const Command* c = findCommand(first)) return c->run(rest);
    if (first.size() > 1 && first[0] == '-') return topLevelUsageError("unknown option " + khost::quoted(first));
    return unknownCommand(first);
}

}  // namespace

// A write to standard output that fails stops the command there, while the
// reason is still known.
int kinemoHost(const std::vector<std::string>& words) {
    const std::ios::iostate mask = std::cout.exceptions();
    int status = kExitFailure;
    std::string error;
    try {
        std::cout.exceptions(std::ios::badbit);
        status = dispatch(words);
        std::cout.flush();
    } catch (const std::ios_base::failure&) {
        error = "writing standard output failed: " + std::string(std::strerror(errno));
    }
    std::cout.exceptions(mask);
    if (error.empty() && !flushStandardOutput(error)) status = kExitFailure;
    if (error.empty()) return status;
    std::cerr << "kinemo-host: " << error << '\n';
    return kExitFailure;
}

}  // namespace khost
