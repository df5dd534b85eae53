// Unicorn 2.0.1 has its dirty-page tracking stubbed out, so every guest
// store to RAM takes the path for a store that may hit translated code, and
// that path builds and frees a tree of page locks each time: most of the
// cost of a store, and stores are most of a module call's cost. Unicorn runs
// one thread per engine and its page locks do nothing; later releases stopped
// building the tree (upstream pull request 1838). While the loaded library is
// exactly 2.0.1 we stand in for its two functions the same way (the
// executable's definitions take precedence over the library's); any other
// version gets its own.
#include <dlfcn.h>
#include <unicorn/unicorn.h>

#include <cstdint>

#include "emu/guest_machine.h"

struct page_collection;

namespace {

constexpr unsigned kTreeBuildingVersion = 0x020001;  // major, minor, patch

char gNoLocks;
page_collection* const kNoLocks = reinterpret_cast<page_collection*>(&gNoLocks);

bool libraryBuildsLockTrees() {
    static const bool builds = (uc_version(nullptr, nullptr) >> 8) == kTreeBuildingVersion;
    return builds;
}

template <class Fn>
Fn libraryFunction(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

page_collection* page_collection_lock_x86_64(uc_struct* uc, uint64_t start, uint64_t end) {
    if (libraryBuildsLockTrees()) return kNoLocks;
    using Lock = page_collection* (*)(uc_struct*, uint64_t, uint64_t);
    static const Lock lock = libraryFunction<Lock>("page_collection_lock_x86_64");
    return lock == nullptr ? kNoLocks : lock(uc, start, end);
}

void page_collection_unlock_x86_64(page_collection* set) {
    if (set == kNoLocks) return;
    using Unlock = void (*)(page_collection*);
    static const Unlock unlock = libraryFunction<Unlock>("page_collection_unlock_x86_64");
    if (unlock != nullptr) unlock(set);
}

}  // extern "C"

namespace emu {

bool storesSkipLockTrees() { return libraryBuildsLockTrees(); }

}  // namespace emu
