// Calling convention and 32-bit host references shared by both builds.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#define KINEMO_STDCALL __attribute__((stdcall))
#else
#define KINEMO_STDCALL
#endif

// A 32-bit field that holds an address: the address itself on win32,
// a reference resolved by hostPtr()/hostRef() on the 64-bit native build.
using HostRef = uint32_t;
