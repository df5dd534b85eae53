// ORVEX32 for the guest: the modal dialog runs the guest's dialog procedure
// in a nested run; image operations are thiscall and may raise. The library
// is free to use as much of its image object as its own build needs, so set-up
// can fill the object with a pattern that every later operation checks.
#include <cstdio>
#include <string>
#include <vector>

#include "emu/guest_exceptions.h"
#include "emu/served_imports.h"
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

constexpr uint16_t kImageInit = 308, kImageDispose = 313;

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
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
    if (it == s.imageObjects.end()) throw EmuError("image object at " + hex(object) + " was not set up (ordinal 308)");
    const uint8_t* p = imageBytes(s, object, it->second);
    for (uint32_t i = 0; i < it->second; ++i) {
        if (p[i] == patternByte(i)) continue;
        throw EmuError("image object at " + hex(object) + " corrupted since set-up: byte " + std::to_string(i) + " of " +
                       std::to_string(it->second) + " overwritten");
    }
}

// The object arrives in ECX; the stack carries the rest.
template <uint16_t Ordinal, int Slots>
void imageOperation(GuestServices& s, ThunkCall& c) {
    if (s.imageObjectBytes != 0) {
        if (Ordinal == kImageInit) {
            fillImageObject(s, c.ecx);
        } else {
            checkImageObject(s, c.ecx);
            if (Ordinal == kImageDispose) s.imageObjects.erase(c.ecx);
        }
    }
    std::vector<uint32_t> args;
    for (int i = 0; i < Slots; ++i) args.push_back(c.arg(i));
    if (standin::imageOperation(Ordinal, c.ecx, std::move(args)))
        raiseThroughGuest(s.machine, c, kLibraryExceptionCode, std::make_exception_ptr(standin::ImageFault(Ordinal)));
    c.eax = 1;
}

using C = Convention;
using R = ResultIn;
constexpr ServedImport kOrvexImports[] = {
    {"ORVEX32.dll", {}, 12, 8, C::Stdcall, R::Eax, runDialog},
    {"ORVEX32.dll", {}, 191, 2, C::Stdcall, R::Eax, drawingTarget},
    {"ORVEX32.dll", {}, 308, 0, C::Thiscall, R::Eax, imageOperation<308, 0>},
    {"ORVEX32.dll", {}, 340, 3, C::Thiscall, R::Eax, imageOperation<340, 3>},
    {"ORVEX32.dll", {}, 395, 3, C::Thiscall, R::Eax, imageOperation<395, 3>},
    {"ORVEX32.dll", {}, 336, 7, C::Thiscall, R::Eax, imageOperation<336, 7>},
    {"ORVEX32.dll", {}, 313, 0, C::Thiscall, R::Eax, imageOperation<313, 0>},
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
