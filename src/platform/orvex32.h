// The host's support library ORVEX32, imported by ordinal only.
// Free functions use stdcall; image-object operations use thiscall
// (the object in ECX, the callee removes the rest).
#pragma once
#include <cstdint>

#include "platform/abi.h"
#include "platform/winapi.h"

#if defined(_WIN32)
#define ORVEX_THISCALL __attribute__((thiscall))
#else
#define ORVEX_THISCALL
#endif

// Storage for a library image object; the library owns its contents.
struct OrvexImage {
    alignas(8) uint8_t storage[256];
};

extern "C" {
// ordinal 12: runs a dialog modally; the last argument reaches the procedure
// as the long parameter of WM_INITDIALOG. Returns what the procedure ended it with.
int32_t KINEMO_STDCALL orvexRunDialog(HINSTANCE module, uint32_t templateId, uint32_t owner, DLGPROC proc,
                                      uint32_t zeroA, uint32_t zeroB, uint32_t three, uint32_t context);
// ordinal 191: the editor's drawing target, or 0.
uint32_t KINEMO_STDCALL orvexDrawingTarget(uint32_t displayHandle, uint32_t zero);

int32_t ORVEX_THISCALL orvexImageInit(OrvexImage* self);                                       // 308
int32_t ORVEX_THISCALL orvexImageSetup(OrvexImage* self, uint32_t a, uint32_t b, uint32_t target);  // 340
int32_t ORVEX_THISCALL orvexImageLoad(OrvexImage* self, HINSTANCE module, uint32_t id, uint32_t one);  // 395
int32_t ORVEX_THISCALL orvexImageDraw(OrvexImage* self, uint32_t target, int32_t left, int32_t top, uint32_t one,
                                      uint32_t z1, uint32_t z2, uint32_t z3);  // 336
int32_t ORVEX_THISCALL orvexImageDispose(OrvexImage* self);                    // 313
}
