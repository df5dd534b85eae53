#include "kinemo-host/scene_grammar.h"

#include <algorithm>
#include <cstdint>

namespace khost {
namespace {

constexpr size_t kHelpWidth = 88;
constexpr size_t kUsageColumn = 33;

std::string listedUsage(const SceneCommandForm& c) {
    std::string usage(c.usage);
    return c.closedBy.empty() ? usage : usage + " ... " + std::string(c.closedBy);
}

// Words of `text` laid out from column `indent` to `width`, the first line
// already started at `column`.
std::string wrapped(std::string_view text, size_t column, size_t indent, size_t width) {
    std::string out;
    for (std::string_view word : splitWords(text)) {
        if (column > indent && width != 0 && column + 1 + word.size() > width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out;
}

}  // namespace

size_t SceneCommandForm::fixedWords() const { return splitWords(usage).size() - 1 - (takesText ? 1 : 0); }

std::string sceneCommandsHelp() {
    std::string out;
    for (const SceneCommandForm& c : kSceneCommands) {
        if (c.meaning.empty()) continue;
        std::string line = "  " + listedUsage(c);
        line.resize(std::max(line.size() + 1, kUsageColumn), ' ');
        out += line + wrapped(c.meaning, kUsageColumn, kUsageColumn, kHelpWidth) + "\n";
        if (!c.example.empty()) out += std::string(kUsageColumn, ' ') + "e.g. " + std::string(c.example) + "\n";
    }
    return out;
}

std::string sceneCommandsTable() {
    std::string out = "| Command | Meaning |\n|---|---|\n";
    for (const SceneCommandForm& c : kSceneCommands) {
        if (c.meaning.empty()) continue;
        out += "| `" + listedUsage(c) + "` | " + std::string(c.meaning);
        if (!c.example.empty()) out += ", e.g. `" + std::string(c.example) + "`";
        out += " |\n";
    }
    return out;
}

std::string sceneLimitsText(size_t width) {
    const std::string n16 = std::to_string(INT16_MIN) + " to " + std::to_string(INT16_MAX);
    const std::string text =
        "Limits: names up to " + std::to_string(kMaxNameLength) + " characters and at most " +
        std::to_string(kMaxSceneNames) + " objects and instances; positions, sizes and the playfield are 16-bit (" +
        n16 + "; sizes from 0, the playfield from 1); event values are signed 32-bit integers or 32-bit floats; a "
        "scene runs at most " + std::to_string(kMaxSceneFrames) + " frames and " + std::to_string(kMaxSceneCommandsRun) +
        " commands with repeats counted out; repeat nests " + std::to_string(kMaxRepeatDepth) + " deep; scene files up to " +
        std::to_string(kMaxSceneBytes >> 20) + " MB; the first " + std::to_string(kMaxSceneErrors) +
        " errors are reported, then \"too many errors, stopping\". An offending text is echoed up to " +
        std::to_string(kMaxQuoted) + " bytes, with its length.";
    return wrapped(text, 0, 0, width) + "\n";
}

}  // namespace khost
