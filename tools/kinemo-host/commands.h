// The sub-commands of kinemo-host; each takes the words after its name and
// returns the process exit status.
#pragma once
#include <string>
#include <vector>

namespace khost {

int runCommand(const std::vector<std::string>& args);
int describeCommand(const std::vector<std::string>& args);

}  // namespace khost
