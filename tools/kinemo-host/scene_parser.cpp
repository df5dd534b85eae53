#include "kinemo-host/scene_parser.h"

#include <array>
#include <map>

#include "kinemo-host/event_matcher.h"
#include "kinemo-host/scene_grammar.h"
#include "kinemo-host/scene_tokens.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

// What one level of the file (the whole file, or a repeat's body) runs, counted once.
struct Level {
    size_t repeatIndex = 0;  // the Repeat command that opened it
    int line = 0;
    int64_t frames = 0;
    int64_t commands = 0;
};

struct ParseState {
    ParseState(std::string_view file, const EventLanguage& events) : fileName(file), language(events) {}

    std::string_view fileName;
    const EventLanguage& language;
    SceneParse out;
    int line = 0;
    int playfieldLine = 0;
    bool limitPassed = false;  // said once; the counts stop there
    std::vector<Level> levels{Level{}};
    std::map<std::string, int, std::less<>> nameLines;  // name -> line that declared it

    void error(const std::string& message) {
        if (out.errors.size() < kMaxSceneErrors) out.errors.push_back(where() + message);
        else if (out.errors.size() == kMaxSceneErrors) out.errors.push_back(where() + "too many errors, stopping");
    }
    void warn(const std::string& message) { out.warnings.push_back(where() + "warning: " + message); }
    std::string where() const { return std::string(fileName) + ":" + std::to_string(line) + ": "; }
};

using Words = std::vector<std::string_view>;

// The usage of a command, as its errors quote it.
constexpr std::string_view usage(SceneKeyword id) {
    for (const SceneCommandForm& c : kSceneCommands)
        if (c.id == id) return c.usage;
    return {};
}

// The i-th value word of a command (words[0] is the keyword), as an integer in [lo, hi].
bool integerArg(ParseState& s, const Words& words, size_t i, std::string_view usage, int64_t lo, int64_t hi,
                int64_t& out) {
    std::string_view field = splitWords(usage).at(i);
    switch (parseInteger(words[i], lo, hi, out)) {
        case NumberError::None: return true;
        case NumberError::Malformed:
            s.error("expected an integer for " + std::string(field) + " in \"" + std::string(usage) + "\", got " +
                    quoted(words[i]));
            return false;
        case NumberError::OutOfRange:
            s.error("number out of range for " + std::string(field) + " in \"" + std::string(usage) + "\": " +
                    quoted(words[i]) + " (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
            return false;
    }
    return false;
}

bool declareName(ParseState& s, std::string_view name) {
    if (!isName(name)) {
        s.error("malformed name " + quoted(name) + " (a letter or '_', then letters, digits or '_', at most " +
                std::to_string(kMaxNameLength) + ")");
        return false;
    }
    if (auto it = s.nameLines.find(name); it != s.nameLines.end()) {
        s.error("name " + quoted(name) + " is already used on line " + std::to_string(it->second));
        return false;
    }
    if (s.nameLines.size() >= kMaxSceneNames) {
        s.error("too many objects and instances (at most " + std::to_string(kMaxSceneNames) + ")");
        return false;
    }
    s.nameLines.emplace(std::string(name), s.line);
    return true;
}

template <class Names>
std::string unknownName(std::string_view what, std::string_view name, const Names& names) {
    std::vector<std::string> candidates(names.begin(), names.end());
    std::string message = "unknown " + std::string(what) + " " + quoted(name);
    if (auto near = closestCandidate(name, candidates)) message += "; did you mean " + quoted(candidates[*near]) + "?";
    return message;
}

int findInstance(ParseState& s, std::string_view name) {
    const auto& instances = s.out.scene.instances;
    for (size_t i = 0; i < instances.size(); ++i)
        if (instances[i] == name) return static_cast<int>(i);
    for (const auto& o : s.out.scene.objects) {
        if (o.name == name) {
            s.error(quoted(name) + " is an object, not a kinemo instance");
            return -1;
        }
    }
    s.error(unknownName("instance", name, instances));
    return -1;
}

int findObject(ParseState& s, std::string_view name) {
    const auto& objects = s.out.scene.objects;
    std::vector<std::string> names;
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].name == name) return static_cast<int>(i);
        names.push_back(objects[i].name);
    }
    for (const auto& k : s.out.scene.instances) {
        if (k == name) {
            s.error(quoted(name) + " is a kinemo instance, not an object");
            return -1;
        }
    }
    s.error(unknownName("object", name, names));
    return -1;
}

// Counts work into the innermost level; false (and an error, the first
// time) past a bound.
bool count(ParseState& s, int64_t frames, int64_t commands) {
    if (s.limitPassed) return false;
    Level& level = s.levels.back();
    level.frames += frames;
    level.commands += commands;
    const bool tooManyFrames = level.frames > kMaxSceneFrames;
    if (!tooManyFrames && level.commands <= kMaxSceneCommandsRun) return true;
    s.limitPassed = true;
    s.error("the scene runs more than " +
            (tooManyFrames ? std::to_string(kMaxSceneFrames) + " frames" : std::to_string(kMaxSceneCommandsRun) + " commands") +
            " by this line (repeats counted out)");
    return false;
}

SceneCommand& push(ParseState& s, CommandKind kind, int subject = -1) {
    count(s, 0, 1);
    SceneCommand& c = s.out.scene.commands.emplace_back();
    c.kind = kind;
    c.line = s.line;
    c.subject = subject;
    return c;
}

constexpr std::string_view kPlayfieldUsage = usage(SceneKeyword::Playfield);
constexpr std::string_view kObjectUsage = usage(SceneKeyword::Object);
constexpr std::string_view kPlaceUsage = usage(SceneKeyword::Place);
constexpr std::string_view kStepUsage = usage(SceneKeyword::Step);
constexpr std::string_view kRepeatUsage = usage(SceneKeyword::Repeat);

bool atTopLevel(ParseState& s, std::string_view keyword) {
    if (s.levels.size() == 1) return true;
    s.error(std::string(keyword) + " cannot be used inside repeat (from line " + std::to_string(s.levels.back().line) + ")");
    return false;
}

void parsePlayfield(ParseState& s, const Words& w, std::string_view) {
    if (!atTopLevel(s, "playfield")) return;
    if (s.playfieldLine != 0) return s.error("playfield is already set on line " + std::to_string(s.playfieldLine));
    if (!s.nameLines.empty()) return s.error("playfield must come before the first object or kinemo");
    s.playfieldLine = s.line;
    int64_t width = 0, height = 0;
    bool ok = integerArg(s, w, 1, kPlayfieldUsage, 1, INT16_MAX, width);
    ok = integerArg(s, w, 2, kPlayfieldUsage, 1, INT16_MAX, height) && ok;
    if (!ok) return;
    s.out.scene.playfieldWidth = static_cast<int16_t>(width);
    s.out.scene.playfieldHeight = static_cast<int16_t>(height);
}

void parseObject(ParseState& s, const Words& w, std::string_view) {
    if (!atTopLevel(s, "object")) return;
    struct Field { int64_t lo, hi; };
    static constexpr std::array<Field, 6> kFields{{{INT16_MIN, INT16_MAX}, {INT16_MIN, INT16_MAX}, {0, INT16_MAX},
                                                   {0, INT16_MAX}, {INT16_MIN, INT16_MAX}, {INT16_MIN, INT16_MAX}}};
    // A bad value still declares the name, so later lines don't report it unknown.
    bool named = declareName(s, w[1]);
    std::array<int64_t, 6> v{};
    for (size_t i = 0; i < kFields.size(); ++i) integerArg(s, w, i + 2, kObjectUsage, kFields[i].lo, kFields[i].hi, v[i]);
    if (!named) return;
    auto i16 = [](int64_t x) { return static_cast<int16_t>(x); };
    s.out.scene.objects.push_back({std::string(w[1]), i16(v[0]), i16(v[1]), i16(v[2]), i16(v[3]), i16(v[4]), i16(v[5]), s.line});
    push(s, CommandKind::Object, static_cast<int>(s.out.scene.objects.size() - 1));
}

void parseKinemo(ParseState& s, const Words& w, std::string_view) {
    if (!atTopLevel(s, "kinemo")) return;
    if (!declareName(s, w[1])) return;
    s.out.scene.instances.emplace_back(w[1]);
    push(s, CommandKind::Kinemo, static_cast<int>(s.out.scene.instances.size() - 1));
}

void parseEvent(ParseState& s, const Words& w, std::string_view rest, CommandKind kind, RoutineKind family,
                const std::vector<EventSignature>& events) {
    int instance = findInstance(s, w[1]);
    EventMatch match = matchEvent(rest, family, events, s.out.scene.objects);
    if (!match.ok) return s.error(match.error);
    if (instance < 0) return;
    if (!match.warning.empty()) s.warn(match.warning);
    push(s, kind, instance).event = std::move(match.call);
}

void parseAction(ParseState& s, const Words& w, std::string_view rest) {
    parseEvent(s, w, rest, CommandKind::Action, RoutineKind::Action, s.language.actions);
}
void parseCondition(ParseState& s, const Words& w, std::string_view rest) {
    parseEvent(s, w, rest, CommandKind::Condition, RoutineKind::Condition, s.language.conditions);
}
void parseExpression(ParseState& s, const Words& w, std::string_view rest) {
    parseEvent(s, w, rest, CommandKind::Expression, RoutineKind::Expression, s.language.expressions);
}

void parseStep(ParseState& s, const Words& w, std::string_view) {
    int64_t frames = 0;
    if (!integerArg(s, w, 1, kStepUsage, 0, kMaxSceneFrames, frames)) return;
    if (!count(s, frames, 0)) return;
    push(s, CommandKind::Step).frames = frames;
}

// Opened even when the line is bad, so that its end still pairs with it.
void openRepeat(ParseState& s, int64_t times) {
    push(s, CommandKind::Repeat).frames = times;
    s.levels.push_back({s.out.scene.commands.size() - 1, s.line, 0, 0});
}

void parseRepeat(ParseState& s, const Words& w, std::string_view) {
    int64_t times = 0;
    bool ok = integerArg(s, w, 1, kRepeatUsage, 0, kMaxSceneFrames, times);
    if (s.levels.size() > kMaxRepeatDepth) {
        s.error("repeat nested more than " + std::to_string(kMaxRepeatDepth) + " deep");
        ok = false;
    }
    openRepeat(s, ok ? times : 0);
}

void parseEnd(ParseState& s, const Words&, std::string_view) {
    if (s.levels.size() == 1) return s.error("end without repeat");
    Level body = s.levels.back();
    s.levels.pop_back();
    SceneCommand& repeat = s.out.scene.commands[body.repeatIndex];
    repeat.bodyEnd = s.out.scene.commands.size();
    // Each level stays within the bounds (counting stops at the first past
    // them), so these products cannot overflow.
    count(s, body.frames * repeat.frames, body.commands * repeat.frames);
}

void parsePlace(ParseState& s, const Words& w, std::string_view) {
    int object = findObject(s, w[1]);
    int64_t x = 0, y = 0;
    bool ok = integerArg(s, w, 2, kPlaceUsage, INT16_MIN, INT16_MAX, x);
    ok = integerArg(s, w, 3, kPlaceUsage, INT16_MIN, INT16_MAX, y) && ok;
    if (object < 0 || !ok) return;
    SceneCommand& c = push(s, CommandKind::Place, object);
    c.x = static_cast<int16_t>(x);
    c.y = static_cast<int16_t>(y);
}

void parseDump(ParseState& s, const Words& w, std::string_view) {
    int instance = findInstance(s, w[1]);
    if (instance >= 0) push(s, CommandKind::Dump, instance);
}

void parseCommand(ParseState& s, SceneKeyword id, const Words& w, std::string_view rest) {
    switch (id) {
        case SceneKeyword::Playfield: return parsePlayfield(s, w, rest);
        case SceneKeyword::Object: return parseObject(s, w, rest);
        case SceneKeyword::Kinemo: return parseKinemo(s, w, rest);
        case SceneKeyword::Action: return parseAction(s, w, rest);
        case SceneKeyword::Condition: return parseCondition(s, w, rest);
        case SceneKeyword::Expression: return parseExpression(s, w, rest);
        case SceneKeyword::Step: return parseStep(s, w, rest);
        case SceneKeyword::Place: return parsePlace(s, w, rest);
        case SceneKeyword::Dump: return parseDump(s, w, rest);
        case SceneKeyword::Repeat: return parseRepeat(s, w, rest);
        case SceneKeyword::End: return parseEnd(s, w, rest);
    }
}

void parseLine(ParseState& s, std::string_view line) {
    std::string_view text = trimSpace(stripComment(line));
    if (text.empty()) return;
    Words words = splitWords(text);
    const SceneCommandForm* command = nullptr;
    for (const SceneCommandForm& c : kSceneCommands)
        if (c.keyword() == words[0]) command = &c;
    if (command == nullptr) {
        std::vector<std::string> keywords;
        for (const SceneCommandForm& c : kSceneCommands) keywords.emplace_back(c.keyword());
        std::string message = "unknown command " + quoted(words[0]);
        auto near = closestCandidate(words[0], keywords);
        if (near) message += "; did you mean " + quoted(keywords[*near]) + "?";
        s.error(message);
        // One mistake, one error: a misspelt repeat still pairs with its end.
        if (near && !kSceneCommands[*near].closedBy.empty()) openRepeat(s, 0);
        return;
    }
    const size_t given = words.size() - 1, fixed = command->fixedWords();
    std::string error;
    if (given < fixed || (command->takesText && given == fixed))
        error = "missing value: expected \"" + std::string(command->usage) + "\"";
    else if (!command->takesText && given > fixed)
        error = "unexpected " + quoted(words[fixed + 1]) + " after \"" + std::string(command->usage) + "\"";
    if (error.empty()) return parseCommand(s, command->id, words, afterWords(text, fixed + 1));
    s.error(error);
    if (!command->closedBy.empty()) openRepeat(s, 0);
}

// Said rather than run silently (most likely the wrong file, or an empty
// pipe), at the line where the parser ended.
void reportNothingToRun(ParseState& s, std::string_view text) {
    s.error(std::string("nothing to run: ") + (trimSpace(text).empty() ? "the scene is empty"
                                               : s.playfieldLine != 0 ? "the scene only sets the playfield"
                                                                      : "the scene has only comments and blank lines"));
}

}  // namespace

SceneParse parseScene(std::string_view text, std::string_view fileName, const EventLanguage& language) {
    ParseState s(fileName, language);
    s.out.scene.fileName = std::string(fileName);
    // Notepad starts a UTF-8 file with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t start = 0;
    while (start <= text.size() && s.out.errors.size() <= kMaxSceneErrors) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++s.line;
        parseLine(s, text.substr(start, end - start));
        start = end + 1;
    }
    while (s.levels.size() > 1) {
        s.line = s.levels.back().line;
        s.levels.pop_back();
        s.error("repeat without end");
    }
    if (s.out.errors.empty() && s.out.scene.commands.empty()) reportNothingToRun(s, text);
    s.out.scene.totalFrames = s.levels.front().frames;
    return std::move(s.out);
}

}  // namespace khost
