// The commands of kinemo-host, all behind one seam: each takes the words
// after its name and returns the process exit status.
#pragma once
#include <string>
#include <vector>

namespace khost {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
    std::string (*help)();  // what `kinemo-host help NAME` and `NAME --help` print
    const char* usage;      // its line in the list of commands: the name and its operands
    const char* summary;    // what it does, in the list; '\n' continues on the next line
};

extern const Command kRunCommand;
extern const Command kDescribeCommand;
extern const Command kValidateCommand;

// The whole tool: the words after the program name. Checks at the end that
// standard output took everything written to it.
int kinemoHost(const std::vector<std::string>& words);

}  // namespace khost
