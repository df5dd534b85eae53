#if !defined(_WIN32)
#include "platform/native_module.h"

#include <cstdint>

HINSTANCE nativeModuleHandle() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x00400000}); }
#endif
