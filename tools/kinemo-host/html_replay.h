// --html: one self-contained page that replays the run frame by frame, with
// every instance's fields and the condition and expression results.
#pragma once
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "kinemo-host/scene.h"
#include "kinemo-host/scene_runner.h"

namespace khost {

// The replay view's markup without its data: controls, playfield, field table
// and results. The playground shows the same view.
std::string_view replayMarkup();

class HtmlReplay final : public StepObserver {
public:
    // The trace's columns after frame and instance, then the target, as 32-bit words.
    static constexpr size_t kWords = 21;
    static constexpr size_t kTargetWord = 18;

    struct Start {
        int64_t frame;  // the first frame of the path it starts
        float x, y;     // where the target stood when it was bound
    };
    struct Recording {
        int64_t first = -1;  // frame of the first row; once created, an instance steps every frame
        std::array<uint32_t, kWords> start{};  // the fields before the first step, shown at frame first - 1
        std::array<std::vector<uint32_t>, kWords> columns;
        std::vector<int64_t> bounces, wraps;
        std::vector<Start> starts;
    };
    struct Result {
        int64_t frame;
        std::string line;
    };
    struct Placement {
        int64_t frame;
        int object;
        int16_t x, y;
    };

    explicit HtmlReplay(size_t instanceCount) : recordings_(instanceCount) {}
    void onStep(const InstanceState& before, const InstanceState& after) override;
    void onResult(int64_t frame, std::string_view line) override;
    void onPlace(int64_t frame, int object, int16_t x, int16_t y) override;
    void write(std::ostream& out, const Scene& scene, const SceneEnd& end) const;
    // The page's two data blocks: the scene as JSON and the packed trace in base64.
    std::string sceneData(const Scene& scene, const SceneEnd& end) const;
    std::string traceData() const;

private:
    std::vector<Recording> recordings_;
    std::vector<Result> results_;
    std::vector<Placement> placements_;
};

}  // namespace khost
