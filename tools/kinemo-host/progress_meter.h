// Frames done out of the total on a terminal, for runs long enough to wonder
// about: nothing for the first second, nothing when standard error is a file
// or a pipe, nothing with --quiet.
#pragma once
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "kinemo-host/scene_runner.h"

namespace khost {

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

}  // namespace khost
