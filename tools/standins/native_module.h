// The instance handle the native build is "attached" with; resource look-ups
// through it are served from the embedded .res.
#pragma once
#include "platform/winapi.h"

HINSTANCE nativeModuleHandle();
