// ORVEX32 for the guest: the modal dialog runs the guest's dialog procedure
// in a nested run; image operations are thiscall and may raise. The library
// is free to use as much of its image object as its own build needs, so set-up
// can fill the object with a pattern that every later operation checks.
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "emu/guest_exceptions.h"
#include "emu/served_imports.h"
#include "platform/orvex32.h"
#include "standins/standin.h"

namespace emu {
namespace {

constexpr int kDialogProcSlots = 4;

void runDialog(GuestServices& s, ThunkCall& c) {
    const uint32_t procedure = c.arg(3);
    auto send = [&](uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) {
        const uint32_t args[kDialogProcSlots] = {window, message, wParam, uint32_t(lParam)};
        return int32_t(s.machine.call(procedure, args, "dialog procedure " + s.machine.describe(procedure)));
    };
    c.eax = uint32_t(standin::runDialog(c.arg(0), c.arg(1), c.arg(2), c.arg(4), c.arg(5), c.arg(6), c.arg(7), send));
}

void drawingTarget(GuestServices&, ThunkCall& c) { c.eax = standin::drawingTarget(c.arg(0), c.arg(1)); }

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
    if (it == s.imageObjects.end()) throw EmuError("image object at " + hex(object) + " was not set up (ordinal " +
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
constexpr uint8_t kImageSlots = kArgSlots<Fn> - 1;

template <auto Fn, OrvexOrdinal Ordinal>
void imageOperation(GuestServices& s, ThunkCall& c) {
    constexpr int Slots = kImageSlots<Fn>;
    if (s.imageObjectBytes != 0) {
        if (kSameFunction<Fn, &orvexImageInit>) {
            fillImageObject(s, c.ecx);
        } else {
            checkImageObject(s, c.ecx);
            if (kSameFunction<Fn, &orvexImageDispose>) s.imageObjects.erase(c.ecx);
        }
    }
    std::vector<uint32_t> args;
    for (int i = 0; i < Slots; ++i) args.push_back(c.arg(i));
    if (standin::imageOperation(uint32_t(Ordinal), c.ecx, std::move(args)))
        raiseThroughGuest(s.machine, c, kLibraryExceptionCode,
                          std::make_exception_ptr(standin::ImageFault(uint32_t(Ordinal))));
    c.eax = 1;
}

// Free functions take every argument on the stack; image operations are
// thiscall, the object in ECX.
template <auto Fn, OrvexOrdinal Ordinal>
constexpr ServedImport function(ImportHandler handler) {
    return {"ORVEX32.dll", {}, uint16_t(Ordinal), kArgSlots<Fn>, Convention::Stdcall, ResultIn::Eax, handler};
}

template <auto Fn, OrvexOrdinal Ordinal>
constexpr ServedImport imageMethod() {
    using Self = std::tuple_element_t<0, typename GuestSignature<decltype(Fn)>::Params>;
    static_assert(std::is_same_v<Self, OrvexImage*>, "an image operation takes its object first");
    return {"ORVEX32.dll", {}, uint16_t(Ordinal), kImageSlots<Fn>, Convention::Thiscall, ResultIn::Eax,
            imageOperation<Fn, Ordinal>};
}

constexpr ServedImport kOrvexImports[] = {
    function<&orvexRunDialog, OrvexOrdinal::RunDialog>(runDialog),
    function<&orvexDrawingTarget, OrvexOrdinal::DrawingTarget>(drawingTarget),
    imageMethod<&orvexImageInit, OrvexOrdinal::ImageInit>(),
    imageMethod<&orvexImageSetup, OrvexOrdinal::ImageSetup>(),
    imageMethod<&orvexImageLoad, OrvexOrdinal::ImageLoad>(),
    imageMethod<&orvexImageDraw, OrvexOrdinal::ImageDraw>(),
    imageMethod<&orvexImageDispose, OrvexOrdinal::ImageDispose>(),
};

}  // namespace

std::span<const ServedImport> orvexImports() { return kOrvexImports; }

bool runsGuestCode(const ServedImport& row) {
    for (const ServedImport& r : kOrvexImports)
        if (&r == &row) return true;
    return false;
}

bool isOrvexFunction(const ServedImport& row) {
    return (row.handler == runDialog || row.handler == drawingTarget);
}

}  // namespace emu
