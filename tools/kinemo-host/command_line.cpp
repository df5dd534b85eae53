#include "kinemo-host/command_line.h"

#include <ostream>

#include "kinemo-host/exit_status.h"
#include "kinemo-host/scene_tokens.h"
#include "kinemo-host/text_forms.h"

namespace khost {

namespace {

// An option written in another case, cut short, or misspelt.
std::string didYouMean(std::string_view name, std::span<const OptionSpec> known) {
    std::vector<std::string> names;
    for (const OptionSpec& s : known) names.emplace_back(s.name);
    std::optional<size_t> near;
    for (size_t i = 0; i < names.size(); ++i) {
        const bool prefix = name.size() > 2 && editDistance(name, std::string_view(names[i]).substr(0, name.size())) == 0;
        if (prefix && !near) near = i;
        else if (prefix) return "";  // ambiguous
    }
    if (!near) near = closestCandidate(name, names);
    return near ? "; did you mean " + quoted(names[*near]) + "?" : "";
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& words, std::span<const OptionSpec> known,
                             size_t maxPositional) {
    CommandLine line;
    auto stop = [&line](std::string message) {
        line.error = std::move(message);
        return line;
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (optionsEnded || w == "-" || w.empty() || w[0] != '-') {
            if (line.positional.size() == maxPositional) return stop("unexpected argument " + quoted(w));
            line.positional.push_back(w);
            continue;
        }
        if (w == "--") {
            optionsEnded = true;
            continue;
        }
        if (w == "--help" || w == "-h") {
            line.help = true;
            continue;
        }
        size_t equals = w.find('=');
        std::string_view name = std::string_view(w).substr(0, equals);
        const OptionSpec* match = nullptr;
        for (const OptionSpec& s : known)
            if (s.name == name) match = &s;
        if (match == nullptr) return stop("unknown option " + quoted(name) + didYouMean(name, known));
        if (line.options.count(name) != 0 || line.flags.count(name) != 0)
            return stop(std::string(name) + " is given twice");
        if (!match->takesValue) {
            if (equals != std::string::npos) return stop(std::string(name) + " takes no value");
            line.flags.emplace(name);
        } else {
            std::string value;
            if (equals != std::string::npos) value = w.substr(equals + 1);
            else if (i + 1 < words.size()) value = words[++i];
            if (value.empty()) return stop(std::string(name) + " needs a value");
            line.options.emplace(name, std::move(value));
        }
    }
    return line;
}

std::optional<std::string> option(const CommandLine& line, std::string_view name) {
    auto it = line.options.find(name);
    if (it == line.options.end()) return std::nullopt;
    return it->second;
}

bool flag(const CommandLine& line, std::string_view name) { return line.flags.count(name) != 0; }

bool integerOption(const CommandLine& line, std::string_view name, int64_t lo, int64_t hi, int64_t& out,
                   std::string& error) {
    auto text = option(line, name);
    if (!text) return true;
    switch (parseInteger(*text, lo, hi, out)) {
        case NumberError::None: return true;
        case NumberError::Malformed:
            error = std::string(name) + " expects an integer, got " + quoted(*text);
            return false;
        case NumberError::OutOfRange:
            error = std::string(name) + " " + quoted(*text) + " is out of range (" + std::to_string(lo) + " to " +
                    std::to_string(hi) + ")";
            return false;
    }
    return false;
}

int usageError(std::ostream& err, std::string_view command, std::string_view message) {
    err << "kinemo-host " << command << ": " << message << "\n(see kinemo-host " << command << " --help)\n";
    return kExitUsage;
}

std::optional<int> endsBeforeStart(const CommandLine& line, std::string_view command, const char* help,
                                   std::ostream& out, std::ostream& err) {
    if (!line.error.empty()) return usageError(err, command, line.error);
    if (!line.help) return std::nullopt;
    out << help;
    return kExitOk;
}

const char* const kLibraryDirHelp =
    "  --library-dir DIR\n"
    "                  on Windows, the folder where a --module DLL's support library\n"
    "                  (the host's ORVEX32.dll) is looked for after the DLL's own\n"
    "                  folder: the host's folder; by default kinemo-host.exe's own\n";

std::optional<std::string> libraryDirProblem(const CommandLine& line) {
    if (!option(line, "--library-dir")) return std::nullopt;
#if defined(_WIN32)
    if (!option(line, "--module")) return "--library-dir applies to a module loaded with --module";
    return std::nullopt;
#else
    return "--library-dir works only in kinemo-host for Windows, where a module DLL finds the host's support "
           "library there; here the module's calls to it are served by this tool";
#endif
}

std::string moduleName(const std::string& modulePath) { return modulePath.empty() ? "native module" : modulePath; }

}  // namespace khost
