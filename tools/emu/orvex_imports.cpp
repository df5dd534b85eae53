// ORVEX32 for the guest: the modal dialog runs the guest's dialog procedure
// in a nested run; image operations are thiscall and may raise.
#include <vector>

#include "emu/guest_exceptions.h"
#include "emu/served_imports.h"
#include "platform/standin.h"

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

// The object arrives in ECX; the stack carries the rest.
template <uint16_t Ordinal, int Slots>
void imageOperation(GuestServices& s, ThunkCall& c) {
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

}  // namespace emu
