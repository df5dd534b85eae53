#include "kinemo-host/command_line.h"

#include <algorithm>

namespace khost {

CommandLine parseCommandLine(const std::vector<std::string>& words, const std::vector<std::string>& valued,
                             size_t maxPositional) {
    CommandLine line;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--help" || w == "-h") {
            line.help = true;
        } else if (std::find(valued.begin(), valued.end(), w) != valued.end()) {
            if (i + 1 >= words.size()) {
                line.error = w + " needs a value";
                return line;
            }
            if (line.options.count(w)) {
                line.error = w + " is given twice";
                return line;
            }
            line.options[w] = words[++i];
        } else if (w.size() > 1 && w[0] == '-') {
            line.error = "unknown option " + w;
            return line;
        } else {
            if (line.positional.size() == maxPositional) {
                line.error = "unexpected argument " + w;
                return line;
            }
            line.positional.push_back(w);
        }
    }
    return line;
}

std::optional<std::string> option(const CommandLine& line, const std::string& name) {
    auto it = line.options.find(name);
    if (it == line.options.end()) return std::nullopt;
    return it->second;
}

}  // namespace khost
