// LocalAlloc and LocalFree, with every block counted.
#include <cstdlib>
#include <cstring>

#include "standins/state.h"

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
