#include "kinemo-host/progress_meter.h"

namespace khost {
namespace {
constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRefresh = std::chrono::milliseconds(100);
constexpr uint32_t kCallsPerClockRead = 256;
}  // namespace

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

}  // namespace khost
