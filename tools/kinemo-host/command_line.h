// Sub-command options: `--name VALUE` pairs and positional words.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace khost {

struct CommandLine {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool help = false;
    std::string error;  // empty when the words were understood
};

// `valued` lists the options that take a value ("--module", ...).
CommandLine parseCommandLine(const std::vector<std::string>& words, const std::vector<std::string>& valued,
                             size_t maxPositional);

std::optional<std::string> option(const CommandLine& line, const std::string& name);

}  // namespace khost
