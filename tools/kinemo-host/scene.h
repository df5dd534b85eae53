// A parsed scene: the playfield, its objects and the commands in file order,
// with every name and event text already resolved.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kinemo-host/event_language.h"

namespace khost {

enum class CommandKind : uint8_t { Object, Kinemo, Action, Condition, Expression, Step, Place, Dump, Repeat };

struct SceneObject {
    std::string name;
    int16_t x = 0, y = 0;  // hot-spot position
    int16_t width = 0, height = 0;
    int16_t hotSpotX = 0, hotSpotY = 0;
    int line = 0;
};

struct EventParam {
    ParamKind kind = ParamKind::Integer;
    uint32_t value = 0;  // the raw 32 bits; for ParamKind::Object an index into Scene::objects
};

struct EventCall {
    int code = 0;
    std::string text;  // the display string with the values filled in (UTF-8)
    std::vector<EventParam> params;
};

struct SceneCommand {
    CommandKind kind = CommandKind::Step;
    int line = 0;
    int subject = -1;      // object index (Object, Place) or instance index (Kinemo, Action, Condition, Expression, Dump)
    int16_t x = 0, y = 0;  // Place
    int64_t frames = 0;    // Step: frames to run; Repeat: how many times
    size_t bodyEnd = 0;    // Repeat: the body is commands (this one, bodyEnd)
    EventCall event;       // Action, Condition, Expression
};

struct Scene {
    std::string fileName;
    int16_t playfieldWidth = 640;
    int16_t playfieldHeight = 480;
    std::vector<SceneObject> objects;    // declaration order
    std::vector<std::string> instances;  // creation order
    std::vector<SceneCommand> commands;  // file order; a repeat's body follows it
    int64_t totalFrames = 0;             // repeats counted out
};

// Bounds that keep a scene's run finite.
constexpr int64_t kMaxSceneFrames = 1'000'000;
constexpr int64_t kMaxSceneCommandsRun = 10'000'000;  // repeats counted out
constexpr size_t kMaxRepeatDepth = 8;
constexpr size_t kMaxSceneNames = 1000;

}  // namespace khost
