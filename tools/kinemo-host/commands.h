// The sub-commands of kinemo-host; each takes the words after its name and
// returns the process exit status.
#pragma once
#include <string>
#include <vector>

namespace khost {

int runCommand(const std::vector<std::string>& args);
int describeCommand(const std::vector<std::string>& args);
extern const char* const kRunHelp;
extern const char* const kDescribeHelp;

// The whole tool: the words after the program name. Checks at the end that
// standard output took everything written to it.
int kinemoHost(const std::vector<std::string>& words);

}  // namespace khost
