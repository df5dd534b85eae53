// The stand-ins' shared state and the failure injection.

#include "standins/state.h"

// ---- State and failure injection -------------------------------------------

namespace standin {

State& state() {
    static State s;
    return s;
}

const void* codeAddress() { return reinterpret_cast<const void*>(&codeAddress); }

Counts counts() {
    const State& s = state();
    int locked = 0;
    for (const auto& [handle, load] : s.loads) locked += load.locked ? 1 : 0;
    return Counts{
        .liveMenus = static_cast<int>(s.menus.size()),
        .loadedResources = static_cast<int>(s.loads.size()),
        .lockedResources = locked,
        .liveAllocations = static_cast<int>(s.allocations.size()),
        .openImages = static_cast<int>(s.openImages.size()),
    };
}

// Handle counters keep running so a stale handle from an earlier test never
// names a new object.
void reset() {
    State& s = state();
    s.loads.clear();
    s.menus.clear();
    s.allocations.clear();
    s.windowLongs.clear();
    s.runningDialogs.clear();
    s.dialogCommands = {1};
    s.dialogRuns.clear();
    s.drawingTarget = kDefaultDrawingTarget;
    s.orvexCalls.clear();
    s.failingImageOp = 0;
    s.openImages.clear();
    s.imageMisuses = 0;
    s.failCountdown = {};
}

void failCall(Op op, int nth) { state().failCountdown[static_cast<size_t>(op)] = nth < 1 ? 1 : nth; }

bool callFails(Op op) {
    int& countdown = state().failCountdown[static_cast<size_t>(op)];
    if (countdown == 0) return false;
    return --countdown == 0;
}

}  // namespace standin
