#include "standins/native_module.h"

#include <cstdint>

HINSTANCE nativeModuleHandle() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x00400000}); }
