// The one place where 32-bit host references become pointers and back.
#pragma once
#include <cstdint>
#include "platform/abi.h"

#if defined(_WIN32)
inline void* hostPtr(HostRef ref) { return reinterpret_cast<void*>(static_cast<uintptr_t>(ref)); }
inline HostRef hostRef(const void* p) { return static_cast<HostRef>(reinterpret_cast<uintptr_t>(p)); }
#else
// Native: references index a registry; 0 stays null. Unknown references give null.
void* hostPtr(HostRef ref);
HostRef hostRef(const void* p);
#endif

template <class T>
inline T* hostPtrAs(HostRef ref) { return static_cast<T*>(hostPtr(ref)); }

template <class Fn>
inline Fn hostFn(HostRef ref) { return reinterpret_cast<Fn>(hostPtr(ref)); }

template <class Fn>
inline HostRef hostFnRef(Fn fn) { return hostRef(reinterpret_cast<const void*>(fn)); }
