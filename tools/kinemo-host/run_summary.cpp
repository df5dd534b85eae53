#include "kinemo-host/run_summary.h"

#include "kinemo-host/float_format.h"
#include "platform/fmath.h"

namespace khost {

RunSummary::RunSummary(const std::vector<std::string>& instanceNames)
    : names_(instanceNames), tallies_(instanceNames.size()) {}

void RunSummary::onStep(const InstanceState& before, const InstanceState& after) {
    Tally& t = tallies_.at(after.instance);
    ++t.frames;
    StepEvents e = stepEvents(before, after);
    t.events.bounces += e.bounces;
    t.events.wraps += e.wraps;
}

void RunSummary::print(std::ostream& out, const SceneEnd& end) const {
    for (size_t i = 0; i < tallies_.size(); ++i) {
        const Tally& t = tallies_[i];
        out << names_[i] << ": " << t.frames << " frames";
        const InstanceState& s = end.instances.at(i);
        if (!s.bound()) {
            out << ", unbound\n";
            continue;
        }
        double speed = kSqrt(f64(s.xSpeed) * f64(s.xSpeed) + f64(s.ySpeed) * f64(s.ySpeed));
        out << ", position (" << formatFloat(s.x) << ", " << formatFloat(s.y) << "), speed " << formatFloat(f32(speed))
            << ", bounces " << t.events.bounces << ", wraps " << t.events.wraps;
        if (s.paused != 0) out << ", paused";
        out << '\n';
    }
}

}  // namespace khost
