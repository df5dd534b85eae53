// The closing line per instance: frames stepped, final position, speed
// magnitude (hundredths of a pixel per frame), and the frames in which it
// bounced or wrapped (a corner hit is one bounce).
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "kinemo-host/motion_events.h"
#include "kinemo-host/scene_runner.h"

namespace khost {

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
