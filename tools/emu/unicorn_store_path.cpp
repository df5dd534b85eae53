// Unicorn 2.0.1 has its dirty-page tracking stubbed out: every page counts
// as clean, so every guest store to RAM takes the slow path meant for a
// store that may hit translated code. That path looks up the memory map,
// looks for code to invalidate and builds and frees a tree of page locks,
// each time: stores were most of a module call's cost. While the loaded
// library is exactly 2.0.1 the executable stands in for two of its steps
// (its definitions take precedence over the library's), and for one look-up
// it makes after every run (below):
// - the lock tree: Unicorn runs one thread per engine and its page locks do
//   nothing, so none is built, as later releases do (upstream pull request
//   1838);
// - the clean mark: a page the running machine maps as plain data (read and
//   write, never execute) cannot hold translated code, and every store to it
//   is allowed, so its TLB entry is marked dirty as soon as it is filled and
//   its stores take the fast path. Code pages, read-only pages and pages
//   that are both writable and executable keep the slow path with all its
//   checks. Memory hooks on writes would be skipped too: the machine has none.
// Any other version gets its own functions unchanged.
#include <dlfcn.h>
#include <unicorn/unicorn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "emu/guest_machine.h"

struct page_collection;

namespace {

constexpr unsigned kStubbedTrackingVersion = 0x020001;  // major, minor, patch

char gNoLocks;
page_collection* const kNoLocks = reinterpret_cast<page_collection*>(&gNoLocks);

bool trackingIsStubbed() {
    static const bool stubbed = (uc_version(nullptr, nullptr) >> 8) == kStubbedTrackingVersion;
    return stubbed;
}

template <class Fn>
Fn libraryFunction(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

template <class Fn>
Fn requiredLibraryFunction(const char* name) {
    const Fn fn = libraryFunction<Fn>(name);
    if (fn == nullptr) {
        std::fprintf(stderr, "libunicorn has no %s\n", name);
        std::abort();
    }
    return fn;
}

}  // namespace

extern "C" {

page_collection* page_collection_lock_x86_64(uc_struct* uc, uint64_t start, uint64_t end) {
    if (trackingIsStubbed()) return kNoLocks;
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

struct MemTxAttrs {
    unsigned bits;  // a word of bit-fields, passed in one register
};
void tlb_set_dirty_x86_64(void* cpu, uint64_t vaddr);

void tlb_set_page_with_attrs_x86_64(void* cpu, uint64_t vaddr, uint64_t paddr, MemTxAttrs attrs, int prot, int mmuIdx,
                                    uint64_t size) {
    using Fill = void (*)(void*, uint64_t, uint64_t, MemTxAttrs, int, int, uint64_t);
    static const Fill fill = requiredLibraryFunction<Fill>("tlb_set_page_with_attrs_x86_64");
    fill(cpu, vaddr, paddr, attrs, prot, mmuIdx, size);
    if (trackingIsStubbed() && emu::runningMachineHasPlainData(paddr)) tlb_set_dirty_x86_64(cpu, vaddr);
}

// After every run Unicorn drops translated code at the byte before the stop
// address; that byte is never mapped, so the answer is always "no code
// page", and the library would reach it through a TLB fill on every call.
uint64_t get_page_addr_code_hostp_x86_64(void* env, uint64_t addr, void** hostp) {
    using Lookup = uint64_t (*)(void*, uint64_t, void**);
    static const Lookup lookup = requiredLibraryFunction<Lookup>("get_page_addr_code_hostp_x86_64");
    if (!trackingIsStubbed() || !emu::isByteBeforeStopAddress(addr)) return lookup(env, addr, hostp);
    if (hostp != nullptr) *hostp = nullptr;
    return ~uint64_t{0};
}

}  // extern "C"

namespace emu {

bool storesTakeShortPaths() { return trackingIsStubbed(); }

}  // namespace emu
