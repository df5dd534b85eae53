#include "kinemo-host/play_scene.h"

#include <optional>
#include <vector>

#include "kinemo-host/html_replay.h"
#include "kinemo-host/module_events.h"
#include "kinemo-host/scene_parser.h"
#include "kinemo-host/scene_runner.h"
#include "kinemo-host/step_observers.h"
#include "kinemo-host/svg_picture.h"

namespace khost {

std::optional<Scene> parseForModule(kdrv::Module& m, std::string_view text, std::string_view fileName,
                                    std::ostream& err) {
    SceneParse parsed = parseScene(text, fileName, readEventLanguage(m));
    if (parsed.ok()) {
        for (const std::string& w : parsed.warnings) err << w << '\n';
        return std::move(parsed.scene);
    }
    for (const std::string& e : parsed.errors) err << e << '\n';
    return std::nullopt;
}

void playParsedScene(kdrv::Module& m, const Scene& scene, const PlayOutputs& outputs) {
    RunSummary summary(scene.instances);
    SvgPicture picture;
    HtmlReplay replay(scene.instances.size());
    std::optional<TraceCsv> trace;
    std::vector<StepObserver*> observers{&summary};
    if (outputs.trace != nullptr) observers.push_back(&trace.emplace(*outputs.trace, scene.instances));
    if (outputs.svg != nullptr) observers.push_back(&picture);
    if (outputs.html != nullptr) observers.push_back(&replay);
    if (outputs.progress != nullptr) observers.push_back(outputs.progress);

    SceneEnd end = runScene(m, scene, outputs.out, observers);
    summary.print(outputs.out, end);
    if (outputs.svg != nullptr) picture.write(*outputs.svg, scene, end);
    if (outputs.html != nullptr) replay.write(*outputs.html, scene, end);
}

int playScene(kdrv::Module& m, std::string_view text, std::string_view fileName, const PlayOutputs& outputs) {
    std::optional<Scene> scene = parseForModule(m, text, fileName, outputs.err);
    if (!scene) return kExitBadScene;
    playParsedScene(m, *scene, outputs);
    return kExitOk;
}

std::string_view builtinSceneText() {
    return R"(# A ball thrown to the right bounces under gravity, losing a fifth of its
# speed at each bounce, while a cloud drifts left and wraps around.
playfield 640 480

object ball 60 80 32 32 16 16
kinemo k
action k Set Object ball
action k Bounce Mode
action k Set Bounce Coefficient 80
action k Set Gravity Strength 2500
action k Set Speed 900
action k Set Angle 30°

object cloud 500 120 96 40 48 20
kinemo drift
action drift Set Object cloud
action drift Wrap Mode
action drift Set Speed 400
action drift Set Angle 170°

step 240
condition k Is Paused
expression k GetDist(320, 240)
)";
}

}  // namespace khost
