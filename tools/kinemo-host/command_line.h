// Sub-command options: `--name VALUE`, `--name=VALUE`, `--flag`, and positional
// words ("-" is a positional word: standard input or output).
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace khost {

struct OptionSpec {
    std::string_view name;  // "--module"
    bool takesValue;
};

struct CommandLine {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;
    std::set<std::string, std::less<>> flags;
    bool help = false;
    std::string error;  // empty when the words were understood
};

CommandLine parseCommandLine(const std::vector<std::string>& words, std::span<const OptionSpec> known,
                             size_t maxPositional);

std::optional<std::string> option(const CommandLine& line, std::string_view name);
bool flag(const CommandLine& line, std::string_view name);

// An option's value as an integer in [lo, hi]; otherwise `error` says why.
bool integerOption(const CommandLine& line, std::string_view name, int64_t lo, int64_t hi, int64_t& out,
                   std::string& error);

// Prints "kinemo-host COMMAND: MESSAGE" and the pointer to the command's help
// to `err`, and gives the usage exit status.
int usageError(std::ostream& err, std::string_view command, std::string_view message);

// A command ends before it starts on words it did not understand (a usage
// error) or on --help (the help printed to `out`): the exit status then.
std::optional<int> endsBeforeStart(const CommandLine& line, std::string_view command, const char* help,
                                   std::ostream& out, std::ostream& err);

// The words of --library-dir in every command's help.
extern const char* const kLibraryDirHelp;

// A usage error in --library-dir: it needs --module, and only the Windows
// build loads a module DLL that has a support library to find.
std::optional<std::string> libraryDirProblem(const CommandLine& line);

// The module a command opens, as error messages name it.
std::string moduleName(const std::string& modulePath);

}  // namespace khost
