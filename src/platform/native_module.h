// The instance handle the native build is "attached" with; resource look-ups
// through it are served from the embedded .res.
#pragma once
#include "platform/winapi.h"

#if !defined(_WIN32)
HINSTANCE nativeModuleHandle();
#endif
