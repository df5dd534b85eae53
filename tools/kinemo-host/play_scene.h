// Parse and play one scene against an open module, writing the results,
// trace and picture to streams. Shared by `run` and the golden tests.
#pragma once
#include <optional>
#include <ostream>
#include <string_view>

#include "driver/module.h"
#include "kinemo-host/exit_status.h"
#include "kinemo-host/scene.h"
#include "kinemo-host/scene_runner.h"

namespace khost {

struct PlayOutputs {
    std::ostream& out;              // results, dumps and the summary
    std::ostream& err;              // scene errors
    std::ostream* trace = nullptr;  // CSV, if wanted
    std::ostream* svg = nullptr;    // picture, if wanted
    std::ostream* html = nullptr;   // replay page, if wanted
    StepObserver* progress = nullptr;
};

// Parses against the module's own event texts; on errors, reports them to
// `err` and gives nothing.
std::optional<Scene> parseForModule(kdrv::Module& m, std::string_view text, std::string_view fileName,
                                    std::ostream& err);

// Plays a parsed scene. Exceptions from the module or the driver propagate.
void playParsedScene(kdrv::Module& m, const Scene& scene, const PlayOutputs& outputs);

// Both: scene errors are reported before anything runs.
int playScene(kdrv::Module& m, std::string_view text, std::string_view fileName, const PlayOutputs& outputs);

// The scene `run` plays when given none: bounce, gravity and wrap at once.
constexpr std::string_view kBuiltinSceneName = "built-in scene";
std::string_view builtinSceneText();

}  // namespace khost
