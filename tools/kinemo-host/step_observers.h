// What a run reports while it plays, each an observer of the instances'
// steps: the CSV trace, the progress meter, and the closing summary with
// the bounces and wraps seen from outside.
#pragma once
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "kinemo-host/instance_state.h"
#include "kinemo-host/scene_runner.h"

namespace khost {

// Bounces and wraps as kinemo-host sees them from outside, comparing an
// instance's state before and after one step:
// - a wrap: the position lands on a bound of the box, having moved against
//   (or without) its speed;
// - a bounce: the position is on a bound with the speed component turned
//   away from it (or stopped), unless it already lay there so before the step.
// An object resting on a bound (gravity pressing it in every frame) counts once.
// Each counts frames: a step that turns or wraps both axes at a corner is one.
struct StepEvents {
    int bounces = 0;  // 0 or 1
    int wraps = 0;    // 0 or 1
};

StepEvents stepEvents(const InstanceState& before, const InstanceState& after);

// --trace: one CSV row per instance after each frame.
class TraceCsv final : public StepObserver {
public:
    TraceCsv(std::ostream& out, const std::vector<std::string>& instanceNames);
    void onStep(const InstanceState& before, const InstanceState& after) override;

private:
    std::ostream& out_;
    const std::vector<std::string>& names_;
};

// Frames done out of the total on a terminal, for runs long enough to wonder
// about: nothing for the first second, nothing when standard error is a file
// or a pipe, nothing with --quiet.
bool progressWanted(bool stderrIsTerminal, bool quiet);

// The line shown, e.g. "frame 1200 of 5000 (24%)".
std::string progressLine(int64_t frame, int64_t total);

class ProgressMeter final : public StepObserver {
public:
    using Clock = std::chrono::steady_clock;
    ProgressMeter(std::ostream& out, int64_t totalFrames);
    ~ProgressMeter() override;
    void onStep(const InstanceState& before, const InstanceState& after) override;
    void onReport() override { clear(); }
    void onFinish() override { clear(); }
    void clear();

private:
    std::ostream& out_;
    int64_t total_;
    Clock::time_point start_ = Clock::now(), shown_{};
    uint32_t calls_ = 0;
    bool visible_ = false;
};

// The closing line per instance: frames stepped, final position, speed
// magnitude (hundredths of a pixel per frame), and the frames in which it
// bounced or wrapped (a corner hit is one bounce).
class RunSummary final : public StepObserver {
public:
    explicit RunSummary(const std::vector<std::string>& instanceNames);
    void onStep(const InstanceState& before, const InstanceState& after) override;
    void print(std::ostream& out, const SceneEnd& end) const;

    struct Tally {
        int64_t frames = 0;
        StepEvents events;
    };
    const std::vector<Tally>& tallies() const { return tallies_; }

private:
    const std::vector<std::string>& names_;
    std::vector<Tally> tallies_;
};

}  // namespace khost
