// The host's support library ORVEX32, imported by ordinal only.
// Its calling convention is closed: it may pop its arguments or leave them,
// and nothing fixes how many it takes. On win32 every call therefore goes
// through a trampoline that restores the stack pointer afterwards
// (orvex_calls.cpp); image operations get the object in ECX. The native
// build serves these names from the stand-ins in tools/standins.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/winapi.h"

namespace kinemo {

// Storage for a library image object; the library owns its contents and
// does not say how big they are. 4 KiB leaves it room, 16-byte aligned for
// whatever it keeps there.
inline constexpr size_t kOrvexImageBytes = 4096;
struct OrvexImage {
    alignas(16) uint8_t storage[kOrvexImageBytes];
};

// The library's ordinals, written here only: the win32 build generates the
// import library's .def from this list (cmake/orvex_def.cmake reads one
// `Name = number,` line per entry) and the emulated host serves these rows.
enum class OrvexOrdinal : uint16_t {
    RunDialog = 12,
    DrawingTarget = 191,
    ImageInit = 308,
    ImageDispose = 313,
    ImageDraw = 336,
    ImageSetup = 340,
    ImageLoad = 395,
};

}  // namespace kinemo

// Outside the namespace: natively the stand-ins define them at global scope.
extern "C" {
// RunDialog: runs a dialog modally; the last argument reaches the procedure
// as the long parameter of WM_INITDIALOG. Returns what the procedure ended it with.
int32_t orvexRunDialog(HINSTANCE module, uint32_t templateId, uint32_t owner, DLGPROC proc, uint32_t zeroA,
                       uint32_t zeroB, uint32_t three, uint32_t context);
// DrawingTarget: the editor's drawing target, or 0.
uint32_t orvexDrawingTarget(uint32_t displayHandle, uint32_t zero);

int32_t orvexImageInit(kinemo::OrvexImage* self);
int32_t orvexImageSetup(kinemo::OrvexImage* self, uint32_t a, uint32_t b, uint32_t target);
int32_t orvexImageLoad(kinemo::OrvexImage* self, HINSTANCE module, uint32_t id, uint32_t one);
int32_t orvexImageDraw(kinemo::OrvexImage* self, uint32_t target, int32_t left, int32_t top, uint32_t one, uint32_t z1,
                       uint32_t z2, uint32_t z3);
int32_t orvexImageDispose(kinemo::OrvexImage* self);
}
