// The one place where 32-bit host references become pointers and back.
#pragma once
#include <cstdint>
#include "platform/abi.h"

namespace kinemo {
// Where pointers are 32 bits wide (the DLL, WebAssembly) a reference is the address.
#if KINEMO_ADDRESSES_FIT_32
inline void* hostPtr(HostRef ref) { return reinterpret_cast<void*>(static_cast<uintptr_t>(ref)); }
inline HostRef hostRef(const void* p) { return static_cast<HostRef>(reinterpret_cast<uintptr_t>(p)); }
#else
// 64-bit: references index a table of pointers, 0 stays null and unknown
// references give null. The look-up is inline: the per-frame step makes it.
struct HostRefTable {
    void* const* pointers;
    uint32_t count;
};
extern HostRefTable hostRefTable;  // kept current by hostRef()
inline void* hostPtr(HostRef ref) { return ref < hostRefTable.count ? hostRefTable.pointers[ref] : nullptr; }
HostRef hostRef(const void* p);
#endif

template <class T>
inline T* hostPtrAs(HostRef ref) { return static_cast<T*>(hostPtr(ref)); }

template <class Fn>
inline Fn hostFn(HostRef ref) { return reinterpret_cast<Fn>(hostPtr(ref)); }

template <class Fn>
inline HostRef hostFnRef(Fn fn) { return hostRef(reinterpret_cast<const void*>(fn)); }

}  // namespace kinemo
