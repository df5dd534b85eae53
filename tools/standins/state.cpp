// The stand-ins' shared state, the failure injection, and the local memory
// whose blocks it counts.
#include <cstdlib>
#include <cstring>

#include "standins/state.h"

// ---- State and failure injection -------------------------------------------

namespace standin {

State& state() {
    static State s;
    return s;
}

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

// ---- Local memory ----------------------------------------------------------

namespace standin {

void noteAllocation(uint64_t key, size_t bytes) { state().allocations[key] = bytes; }

bool noteFree(uint64_t key) { return state().allocations.erase(key) == 1; }

}  // namespace standin

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    if (standin::callFails(standin::Op::LocalAlloc)) return nullptr;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    if (flags & LMEM_ZEROINIT) std::memset(block, 0, bytes);
    standin::noteAllocation(reinterpret_cast<uintptr_t>(block), bytes);
    return block;
}

// As on Windows: null when freed, the block itself when it was not a live one.
HLOCAL LocalFree(HLOCAL mem) {
    if (mem == nullptr) return nullptr;
    if (!standin::noteFree(reinterpret_cast<uintptr_t>(mem))) return mem;
    std::free(mem);
    return nullptr;
}
