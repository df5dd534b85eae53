// ORVEX32 calls on win32. The library may be stdcall or cdecl, and may take
// a different number of arguments than we pass: a direct call would leave
// ESP wherever the callee put it. orvexInvoke keeps the caller's stack
// pointer in EBP (callee-saved under every Windows convention) and restores
// it after the call, so whatever the library pops, we return cleanly.
#include "platform/host_ref.h"
#include "platform/orvex32.h"

extern "C" {
// The library's entry points, imported by the ordinals of OrvexOrdinal: the
// generated import library names each orvexImport<enumerator>. Only ever
// called through orvexInvoke.
__declspec(dllimport) void orvexImportRunDialog();
__declspec(dllimport) void orvexImportDrawingTarget();
__declspec(dllimport) void orvexImportImageInit();
__declspec(dllimport) void orvexImportImageDispose();
__declspec(dllimport) void orvexImportImageDraw();
__declspec(dllimport) void orvexImportImageSetup();
__declspec(dllimport) void orvexImportImageLoad();

// Pushes args[count - 1] down to args[0] onto a 16-byte aligned stack, puts
// self in ECX, calls fn and gives back EAX. cdecl itself.
uint32_t orvexInvoke(void (*fn)(), const void* self, const uint32_t* args, uint32_t count);
}

asm(R"(
    .text
    .p2align 4
    .globl _orvexInvoke
    .def _orvexInvoke; .scl 2; .type 32; .endef
_orvexInvoke:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 20(%ebp), %ecx
    leal 0(,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    movl 16(%ebp), %esi
    movl %esp, %edi
    cld
    rep movsl
    movl 12(%ebp), %ecx
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace kinemo {
namespace {

// The count is the number of arguments given, never written by hand.
template <class... Args>
uint32_t invoke(void (*fn)(), const void* self, Args... args) {
    const uint32_t words[sizeof...(Args) + 1] = {static_cast<uint32_t>(args)..., 0};
    return orvexInvoke(fn, self, words, sizeof...(Args));
}

uint32_t ref(const void* p) { return hostRef(p); }

}  // namespace
}  // namespace kinemo

// The library's calls keep their global names (orvex32.h).
using kinemo::hostFnRef;
using kinemo::invoke;
using kinemo::ref;

extern "C" {
int32_t orvexRunDialog(HINSTANCE module, uint32_t templateId, uint32_t owner, DLGPROC proc, uint32_t zeroA,
                       uint32_t zeroB, uint32_t three, uint32_t context) {
    return static_cast<int32_t>(
        invoke(orvexImportRunDialog, nullptr, ref(module), templateId, owner, hostFnRef(proc), zeroA, zeroB, three, context));
}

uint32_t orvexDrawingTarget(uint32_t displayHandle, uint32_t zero) {
    return invoke(orvexImportDrawingTarget, nullptr, displayHandle, zero);
}

int32_t orvexImageInit(kinemo::OrvexImage* self) {
    return static_cast<int32_t>(invoke(orvexImportImageInit, self));
}

int32_t orvexImageSetup(kinemo::OrvexImage* self, uint32_t a, uint32_t b, uint32_t target) {
    return static_cast<int32_t>(invoke(orvexImportImageSetup, self, a, b, target));
}

int32_t orvexImageLoad(kinemo::OrvexImage* self, HINSTANCE module, uint32_t id, uint32_t one) {
    return static_cast<int32_t>(invoke(orvexImportImageLoad, self, ref(module), id, one));
}

int32_t orvexImageDraw(kinemo::OrvexImage* self, uint32_t target, int32_t left, int32_t top, uint32_t one, uint32_t z1,
                       uint32_t z2, uint32_t z3) {
    return static_cast<int32_t>(invoke(orvexImportImageDraw, self, target, left, top, one, z1, z2, z3));
}

int32_t orvexImageDispose(kinemo::OrvexImage* self) {
    return static_cast<int32_t>(invoke(orvexImportImageDispose, self));
}
}
