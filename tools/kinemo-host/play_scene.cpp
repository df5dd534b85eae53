#include "kinemo-host/play_scene.h"

#include <optional>
#include <vector>

#include "kinemo-host/module_events.h"
#include "kinemo-host/run_summary.h"
#include "kinemo-host/scene_parser.h"
#include "kinemo-host/scene_runner.h"
#include "kinemo-host/svg_picture.h"
#include "kinemo-host/trace_csv.h"

namespace khost {

int playScene(kdrv::Module& m, std::string_view text, std::string_view fileName, const PlayOutputs& outputs) {
    SceneParse parsed = parseScene(text, fileName, readEventLanguage(m));
    if (!parsed.ok()) {
        for (const std::string& e : parsed.errors) outputs.err << e << '\n';
        return kExitBadScene;
    }
    const Scene& scene = parsed.scene;
    RunSummary summary(scene.instances);
    SvgPicture picture;
    std::optional<TraceCsv> trace;
    std::vector<StepObserver*> observers{&summary};
    if (outputs.trace != nullptr) observers.push_back(&trace.emplace(*outputs.trace, scene.instances));
    if (outputs.svg != nullptr) observers.push_back(&picture);

    SceneEnd end = runScene(m, scene, outputs.out, observers);
    summary.print(outputs.out, end);
    if (outputs.svg != nullptr) picture.write(*outputs.svg, scene, end);
    return kExitOk;
}

}  // namespace khost
