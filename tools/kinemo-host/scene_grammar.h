// The scene language, written once: every command's form and meaning, and
// the limits of a scene. The parser dispatches on it; `run --help` and the
// README's table are made from it (a test holds the README to it).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kinemo-host/scene.h"
#include "kinemo-host/scene_tokens.h"

namespace khost {

enum class SceneKeyword : uint8_t { Playfield, Object, Kinemo, Action, Condition, Expression, Step, Place, Dump, Repeat, End };

struct SceneCommandForm {
    SceneKeyword id;
    std::string_view usage;    // the keyword, then a word per value: "place NAME X Y"
    bool takesText;            // an event text (TEXT, the last word of usage) ends the line
    std::string_view closedBy;  // a body follows, up to this keyword ("repeat N ... end")
    std::string_view meaning;  // "" for a form only ever written after another (end)
    std::string_view example = {};

    std::string_view keyword() const { return usage.substr(0, usage.find(' ')); }
    // Words after the keyword before any text: for event commands the instance only.
    size_t fixedWords() const;
};

inline constexpr std::array<SceneCommandForm, 11> kSceneCommands{{
    {SceneKeyword::Playfield, "playfield W H", false, "",
     "playfield size in the host application's run header (default 640 480); before any object"},
    {SceneKeyword::Object, "object NAME X Y W H HX HY", false, "",
     "a playfield object: hot-spot position, image size, hot spot"},
    {SceneKeyword::Kinemo, "kinemo NAME", false, "", "creates a Kinemo instance"},
    {SceneKeyword::Action, "action K TEXT", true, "", "fires an action on instance K",
     "action k Set Position (100, 40)"},
    {SceneKeyword::Condition, "condition K TEXT", true, "", "prints K TEXT = true or = false",
     "condition k Is Paused"},
    {SceneKeyword::Expression, "expression K TEXT", true, "", "prints K TEXT = VALUE",
     "expression k GetDist(200, 100.5)"},
    {SceneKeyword::Step, "step N", false, "", "runs N frames: the per-frame step on every instance, in creation order"},
    {SceneKeyword::Place, "place NAME X Y", false, "",
     "the host application moves an object (the next step overwrites a bound target)"},
    {SceneKeyword::Dump, "dump K", false, "", "prints the instance's fields as name=value, in the trace's column order"},
    {SceneKeyword::Repeat, "repeat N", false, "end", "runs the lines between N times: events that fire every frame"},
    {SceneKeyword::End, "end", false, "", ""},
}};

// The limits a scene is held to, besides those in scene.h.
constexpr size_t kMaxSceneBytes = 16u << 20;
constexpr size_t kMaxSceneErrors = 100;

// The commands as `run --help` lists them: usage, then meaning, in columns.
std::string sceneCommandsHelp();
// The same as the README's Markdown table.
std::string sceneCommandsTable();
// One sentence of every limit, wrapped at `width` columns (0: one line).
std::string sceneLimitsText(size_t width);

}  // namespace khost
