// Calling convention and 32-bit host references shared by both builds.
#pragma once
#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define KINEMO_STDCALL __attribute__((stdcall))
#else
#define KINEMO_STDCALL
#endif

namespace kinemo {

// A 32-bit field that holds an address: the address itself where addresses
// fit in 32 bits (the DLL, WebAssembly), a reference resolved by hostPtr()/hostRef()
// where they do not (the native and win64 builds).
using HostRef = uint32_t;

}  // namespace kinemo

#define KINEMO_ADDRESSES_FIT_32 (UINTPTR_MAX == 0xFFFFFFFFu)
