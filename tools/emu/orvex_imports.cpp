// ORVEX32 for the guest: the modal dialog runs the guest's dialog procedure
// in a nested run; image operations are thiscall and may raise. The library
// is free to use as much of its image object as its own build needs, so set-up
// can fill the object with a pattern that every later operation checks.
#include <array>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "emu/guest_exceptions.h"
#include "emu/served_imports.h"
#include "emu/typed_import.h"
#include "platform/orvex32.h"
#include "standins/standin.h"

using kinemo::OrvexImage;
using kinemo::OrvexOrdinal;

namespace emu {
namespace {

constexpr int kDialogProcSlots = 4;

int32_t runDialog(GuestServices& s, uint32_t module, uint32_t templateId, uint32_t owner, uint32_t procedure,
                  uint32_t zeroA, uint32_t zeroB, uint32_t three, uint32_t context) {
    auto send = [&](uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) {
        const uint32_t args[kDialogProcSlots] = {window, message, wParam, uint32_t(lParam)};
        return int32_t(s.machine.call(procedure, args, "dialog procedure " + s.machine.describe(procedure)));
    };
    return standin::runDialog(module, templateId, owner, zeroA, zeroB, three, context, send);
}

uint32_t drawingTarget(GuestServices&, uint32_t displayHandle, uint32_t zero) {
    return standin::drawingTarget(displayHandle, zero);
}

// Period 256, so a copy shifted by any amount below that does not match.
uint8_t patternByte(uint32_t i) { return uint8_t(0xA7 + 0x3D * i); }

uint8_t* imageBytes(GuestServices& s, uint32_t object, uint32_t size) {
    uint8_t* p = s.machine.bytes(object, size);
    if (p == nullptr)
        throw EmuError("image object at " + hex(object) + ": its " + std::to_string(size) + " bytes run into unmapped memory");
    return p;
}

void fillImageObject(GuestServices& s, uint32_t object) {
    const uint32_t size = s.imageObjectBytes;
    uint8_t* p = imageBytes(s, object, size);
    for (uint32_t i = 0; i < size; ++i) p[i] = patternByte(i);
    s.imageObjects[object] = size;
}

void checkImageObject(GuestServices& s, uint32_t object) {
    auto it = s.imageObjects.find(object);
    if (it == s.imageObjects.end())
        throw EmuError("image object at " + hex(object) + " was not set up (ordinal " +
                       std::to_string(unsigned(OrvexOrdinal::ImageInit)) + ")");
    const uint8_t* p = imageBytes(s, object, it->second);
    for (uint32_t i = 0; i < it->second; ++i) {
        if (p[i] == patternByte(i)) continue;
        throw EmuError("image object at " + hex(object) + " corrupted since set-up: byte " + std::to_string(i) + " of " +
                       std::to_string(it->second) + " overwritten");
    }
}

template <auto A, auto B>
constexpr bool kSameFunction = false;
template <auto A>
constexpr bool kSameFunction<A, A> = true;

// The object arrives in ECX; the stack carries the rest.
template <auto Fn>
using ImageArgs = std::array<uint32_t, kArgSlots<Fn> - 1>;

template <auto Fn, OrvexOrdinal Ordinal>
uint32_t imageOperation(GuestServices& s, CallSite at, ImageArgs<Fn> args) {
    if (s.imageObjectBytes != 0) {
        if (kSameFunction<Fn, &orvexImageInit>) {
            fillImageObject(s, at.ecx);
        } else {
            checkImageObject(s, at.ecx);
            if (kSameFunction<Fn, &orvexImageDispose>) s.imageObjects.erase(at.ecx);
        }
    }
    if (standin::imageOperation(uint32_t(Ordinal), at.ecx, {args.begin(), args.end()}))
        raiseThroughGuest(s.machine, at, kLibraryExceptionCode,
                          std::make_exception_ptr(standin::ImageFault(uint32_t(Ordinal))));
    return 1;
}

// Free functions take every argument on the stack; image operations are
// thiscall, the object in ECX.
template <auto Fn, OrvexOrdinal Ordinal, auto Handler>
constexpr ServedImport function() {
    return typedRow<decltype(Fn), Handler>("ORVEX32.dll", {}, uint16_t(Ordinal), Convention::Stdcall);
}

template <auto Fn, OrvexOrdinal Ordinal>
constexpr ServedImport imageMethod() {
    using Self = std::tuple_element_t<0, typename GuestSignature<decltype(Fn)>::Params>;
    static_assert(std::is_same_v<Self, OrvexImage*>, "an image operation takes its object first");
    return typedRow<decltype(Fn), &imageOperation<Fn, Ordinal>, true>("ORVEX32.dll", {}, uint16_t(Ordinal),
                                                                         Convention::Thiscall);
}

constexpr ServedImport kOrvexImports[] = {
    function<&orvexRunDialog, OrvexOrdinal::RunDialog, &runDialog>(),
    function<&orvexDrawingTarget, OrvexOrdinal::DrawingTarget, &drawingTarget>(),
    imageMethod<&orvexImageInit, OrvexOrdinal::ImageInit>(),
    imageMethod<&orvexImageSetup, OrvexOrdinal::ImageSetup>(),
    imageMethod<&orvexImageLoad, OrvexOrdinal::ImageLoad>(),
    imageMethod<&orvexImageDraw, OrvexOrdinal::ImageDraw>(),
    imageMethod<&orvexImageDispose, OrvexOrdinal::ImageDispose>(),
};

}  // namespace

std::span<const ServedImport> orvexImports() { return kOrvexImports; }

namespace {
bool isOrvexRow(const ServedImport& row) {
    for (const ServedImport& r : kOrvexImports)
        if (&r == &row) return true;
    return false;
}
}  // namespace

bool runsGuestCode(const ServedImport& row) { return isOrvexRow(row); }

// Image operations are thiscall whatever the host chose for the free functions.
bool isOrvexFunction(const ServedImport& row) { return isOrvexRow(row) && row.convention == Convention::Stdcall; }

}  // namespace emu
