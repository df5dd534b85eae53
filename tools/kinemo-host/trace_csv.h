// --trace: one CSV row per instance after each frame.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "kinemo-host/scene_runner.h"

namespace khost {

class TraceCsv final : public StepObserver {
public:
    TraceCsv(std::ostream& out, const std::vector<std::string>& instanceNames);
    void onStep(const InstanceState& before, const InstanceState& after) override;

private:
    std::ostream& out_;
    const std::vector<std::string>& names_;
};

}  // namespace khost
