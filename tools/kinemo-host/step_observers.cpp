#include "kinemo-host/step_observers.h"

#include "kinemo-host/text_forms.h"
#include "platform/fmath.h"

using kinemo::f32;
using kinemo::f64;
using kinemo::kSqrt;

namespace khost {
namespace {
constexpr int32_t kWrap = 1;
constexpr int32_t kBounce = 2;

struct Axis {
    double before, after, speedBefore, speedAfter, low, high;
};

bool wrapped(const Axis& a) {
    bool onBound = a.after == a.low || a.after == a.high;
    return onBound && a.after != a.before && (a.after - a.before) * a.speedAfter <= 0;
}

// Resting on the bound already, heading away or stopped, is not a new bounce.
bool bounced(const Axis& a) {
    if (a.after == a.high && a.speedAfter <= 0) return !(a.before == a.high && a.speedBefore <= 0);
    if (a.after == a.low && a.speedAfter >= 0) return !(a.before == a.low && a.speedBefore >= 0);
    return false;
}

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRefresh = std::chrono::milliseconds(100);
constexpr uint32_t kCallsPerClockRead = 256;
}  // namespace

StepEvents stepEvents(const InstanceState& before, const InstanceState& after) {
    StepEvents events;
    if (!before.moves() || after.target != before.target) return events;
    const Axis axes[] = {
        {before.x, after.x, before.xSpeed, after.xSpeed, double(after.boundLeft), double(after.boundRight)},
        {before.y, after.y, before.ySpeed, after.ySpeed, double(after.boundTop), double(after.boundBottom)},
    };
    // A corner hit turns both axes in one frame: one bounce, as the picture marks it.
    for (const Axis& a : axes) {
        if (after.mode == kWrap && wrapped(a)) events.wraps = 1;
        if (after.mode == kBounce && bounced(a)) events.bounces = 1;
    }
    return events;
}

TraceCsv::TraceCsv(std::ostream& out, const std::vector<std::string>& instanceNames) : out_(out), names_(instanceNames) {
    auto columns = stateColumns();
    for (size_t i = 0; i < columns.size(); ++i) out_ << (i == 0 ? "" : ",") << columns[i];
    out_ << '\n';
}

// Scene names are plain identifiers and numbers never hold commas, so no
// quoting is needed. An unbound target's position is left empty, not text in
// a numeric column.
void TraceCsv::onStep(const InstanceState&, const InstanceState& after) {
    auto values = stateValues(after, names_.at(after.instance), "");
    for (size_t i = 0; i < values.size(); ++i) out_ << (i == 0 ? "" : ",") << values[i];
    out_ << '\n';
}

bool progressWanted(bool stderrIsTerminal, bool quiet) { return stderrIsTerminal && !quiet; }

std::string progressLine(int64_t frame, int64_t total) {
    int64_t percent = total > 0 ? frame * 100 / total : 100;
    return "frame " + std::to_string(frame) + " of " + std::to_string(total) + " (" + std::to_string(percent) + "%)";
}

ProgressMeter::ProgressMeter(std::ostream& out, int64_t totalFrames) : out_(out), total_(totalFrames) {}

ProgressMeter::~ProgressMeter() { clear(); }

void ProgressMeter::onStep(const InstanceState&, const InstanceState& after) {
    if (++calls_ % kCallsPerClockRead != 0) return;
    Clock::time_point now = Clock::now();
    if (now - start_ < kQuietStart || now - shown_ < kRefresh) return;
    shown_ = now;
    visible_ = true;
    out_ << '\r' << progressLine(after.frame, total_) << "\x1b[K" << std::flush;
}

void ProgressMeter::clear() {
    if (!visible_) return;
    visible_ = false;
    out_ << "\r\x1b[K" << std::flush;
}

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
