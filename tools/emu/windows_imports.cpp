// KERNEL32, USER32 and msvcrt for the guest, served by the native stand-ins.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "emu/served_imports.h"
#include "emu/x87_rounding.h"
#include "standins/handle_cast.h"
#include "standins/standin.h"
#include "platform/winapi.h"

namespace emu {
namespace {

using standin::handleOf;
using standin::handleValue;

constexpr uint32_t kTextlessMenuFlags = MF_SEPARATOR | 0x0004 | 0x0100;  // separator, bitmap, owner-drawn

// A guest resource name or type: a number, or a pointer to a string that
// the stand-ins then see as a host string.
struct GuestName {
    uint32_t raw;
    std::string text;
    LPCSTR get() const { return (raw >> 16) == 0 ? handleOf<LPCSTR>(raw) : text.c_str(); }
};

GuestName guestName(Machine& m, uint32_t raw) {
    GuestName n{raw, {}};
    if ((raw >> 16) != 0) n.text = m.readString(raw);
    return n;
}

// Runs a stand-in that writes text into a buffer of `size`, through a host
// buffer, and copies what it wrote (up to and including the zero) back.
template <class Fn>
int32_t withTextBuffer(Machine& m, uint32_t guestBuffer, int32_t size, Fn fn) {
    if (guestBuffer == 0 || size <= 0) return fn(nullptr, size);
    std::vector<char> host(static_cast<size_t>(size), '\0');
    if (m.bytes(guestBuffer, uint32_t(size)) != nullptr) {
        std::memcpy(host.data(), m.bytes(guestBuffer, uint32_t(size)), host.size());  // untouched bytes stay as they were
    }
    const int32_t result = fn(host.data(), size);
    const size_t written = std::min(host.size(), std::strlen(host.data()) + 1);
    m.writeBytes(guestBuffer, {reinterpret_cast<const uint8_t*>(host.data()), written});
    return result;
}

HMODULE moduleArg(const ThunkCall& c, int slot) { return handleOf<HMODULE>(c.arg(slot)); }
HMENU menuArg(const ThunkCall& c, int slot) { return handleOf<HMENU>(c.arg(slot)); }
HWND windowArg(const ThunkCall& c, int slot) { return handleOf<HWND>(c.arg(slot)); }

// ---- KERNEL32 ----

void findResource(GuestServices& s, ThunkCall& c) {
    const GuestName name = guestName(s.machine, c.arg(1)), type = guestName(s.machine, c.arg(2));
    c.eax = handleValue(FindResourceA(moduleArg(c, 0), name.get(), type.get()));
}

void loadResource(GuestServices&, ThunkCall& c) {
    c.eax = handleValue(LoadResource(moduleArg(c, 0), handleOf<HRSRC>(c.arg(1))));
}

// The stand-in hands out host bytes; the guest gets a copy in its memory,
// made once per resource.
void lockResource(GuestServices& s, ThunkCall& c) {
    const std::span<const uint8_t> bytes = standin::lockResource(c.arg(0));
    if (bytes.data() == nullptr) return void(c.eax = 0);
    auto [it, fresh] = s.resourceCopies.try_emplace(bytes.data(), 0);
    if (fresh || std::memcmp(s.machine.bytes(it->second, uint32_t(std::max<size_t>(bytes.size(), 1))), bytes.data(), bytes.size()) != 0) {
        it->second = s.machine.alloc(uint32_t(bytes.size()));
        s.machine.writeBytes(it->second, bytes);
    }
    c.eax = it->second;
}

void freeResource(GuestServices&, ThunkCall& c) { c.eax = uint32_t(FreeResource(handleOf<HGLOBAL>(c.arg(0)))); }

// Blocks live in guest memory; the stand-ins count them by guest address.
void localAlloc(GuestServices& s, ThunkCall& c) {
    const uint32_t size = c.arg(1);
    if (standin::callFails(standin::Op::LocalAlloc)) return void(c.eax = 0);
    uint32_t block = 0;
    if (auto it = s.freeBlocks.find(size); it != s.freeBlocks.end()) {
        block = it->second;
        s.freeBlocks.erase(it);
        std::memset(s.machine.bytes(block, std::max(size, 1u)), 0, size);
    } else {
        block = s.machine.alloc(size);
    }
    s.blockSizes[block] = size;
    standin::noteAllocation(block, size);
    c.eax = block;
}

void localFree(GuestServices& s, ThunkCall& c) {
    const uint32_t block = c.arg(0);
    if (block == 0) return void(c.eax = 0);
    if (!standin::noteFree(block)) return void(c.eax = block);
    s.freeBlocks.emplace(s.blockSizes[block], block);
    s.blockSizes.erase(block);
    c.eax = 0;
}

void getModuleFileName(GuestServices& s, ThunkCall& c) {
    const auto size = int32_t(c.arg(2));
    c.eax = uint32_t(withTextBuffer(s.machine, c.arg(1), size, [&](char* buffer, int32_t n) {
        return int32_t(GetModuleFileNameA(moduleArg(c, 0), buffer, DWORD(std::max(n, 0))));
    }));
}

// ---- USER32 ----

// A zero size writes nothing (LoadStringA, unlike LoadStringW, as in Wine).
void loadString(GuestServices& s, ThunkCall& c) {
    const uint32_t buffer = c.arg(2);
    if (c.arg(3) == 0) return void(c.eax = uint32_t(standin::kLoadStringZeroSize));
    c.eax = uint32_t(withTextBuffer(s.machine, buffer, int32_t(c.arg(3)), [&](char* buffer, int32_t n) {
        return LoadStringA(moduleArg(c, 0), c.arg(1), buffer, n);
    }));
}

void loadMenu(GuestServices& s, ThunkCall& c) {
    const GuestName name = guestName(s.machine, c.arg(1));
    c.eax = handleValue(LoadMenuA(moduleArg(c, 0), name.get()));
}

void getSubMenu(GuestServices&, ThunkCall& c) { c.eax = handleValue(GetSubMenu(menuArg(c, 0), int32_t(c.arg(1)))); }
void createPopupMenu(GuestServices&, ThunkCall& c) { c.eax = handleValue(CreatePopupMenu()); }

void appendMenu(GuestServices& s, ThunkCall& c) {
    const uint32_t flags = c.arg(1), label = c.arg(3);
    std::string text;
    const bool hasText = !(flags & kTextlessMenuFlags) && label != 0;
    if (hasText) text = s.machine.readString(label);
    c.eax = uint32_t(AppendMenuA(menuArg(c, 0), flags, c.arg(2), hasText ? text.c_str() : handleOf<LPCSTR>(label)));
}

void getMenuItemCount(GuestServices&, ThunkCall& c) { c.eax = uint32_t(GetMenuItemCount(menuArg(c, 0))); }
void getMenuItemId(GuestServices&, ThunkCall& c) { c.eax = GetMenuItemID(menuArg(c, 0), int32_t(c.arg(1))); }

void getMenuString(GuestServices& s, ThunkCall& c) {
    c.eax = uint32_t(withTextBuffer(s.machine, c.arg(2), int32_t(c.arg(3)), [&](char* buffer, int32_t n) {
        return GetMenuStringA(menuArg(c, 0), c.arg(1), buffer, n, c.arg(4));
    }));
}

void getMenuState(GuestServices&, ThunkCall& c) { c.eax = GetMenuState(menuArg(c, 0), c.arg(1), c.arg(2)); }
void destroyMenu(GuestServices&, ThunkCall& c) { c.eax = uint32_t(DestroyMenu(menuArg(c, 0))); }
void endDialog(GuestServices&, ThunkCall& c) { c.eax = uint32_t(EndDialog(windowArg(c, 0), int32_t(c.arg(1)))); }
void getWindowLong(GuestServices&, ThunkCall& c) { c.eax = uint32_t(GetWindowLongA(windowArg(c, 0), int32_t(c.arg(1)))); }

void setWindowLong(GuestServices&, ThunkCall& c) {
    c.eax = uint32_t(SetWindowLongA(windowArg(c, 0), int32_t(c.arg(1)), int32_t(c.arg(2))));
}

// ---- msvcrt (cdecl; doubles take two slots and come back in ST0) ----

// msvcrt computes these on the x87, so the caller's precision and rounding
// control reach the result. We approximate that with one rounding of the
// long double result to the caller's precision in its direction (the real
// library rounds its intermediate steps too; the last bits of a directed or
// 24-bit result may differ from a real CPU's).
uint16_t guestControlWord(const ThunkCall& c) { return c.machine.fpControl().x87; }

// The x87 exception flags the library's computation raises: invalid for a
// NaN made from numbers, precision for every other result but the exact
// ones (a zero; cos 0). They stay in the caller's status word; one that the
// caller's control word unmasks would trap inside the library.
void raiseCrtFlags(ThunkCall& c, const char* name, bool fromNumbers, bool exact) {
    constexpr uint16_t kInvalid = 0x01, kPrecision = 0x20;
    const uint16_t flags = std::isnan(c.st0) ? (fromNumbers ? kInvalid : 0) : (exact ? 0 : kPrecision);
    if ((flags & ~guestControlWord(c)) != 0)
        throw EmuError(std::string(name) + ": an x87 exception that the caller's control word unmasks traps in msvcrt");
    c.machine.raiseX87Flags(flags);
}

void crtSin(GuestServices&, ThunkCall& c) {
    const double x = c.argDouble(0);
    c.st0 = x87Result(std::sin(x), [x] { return std::sin(static_cast<long double>(x)); }, guestControlWord(c));
    raiseCrtFlags(c, "sin", !std::isnan(x), x == 0);
}

void crtCos(GuestServices&, ThunkCall& c) {
    const double x = c.argDouble(0);
    c.st0 = x87Result(std::cos(x), [x] { return std::cos(static_cast<long double>(x)); }, guestControlWord(c));
    raiseCrtFlags(c, "cos", !std::isnan(x), x == 0);
}

// Both arguments zero is a domain error in msvcrt that yields +0 whatever
// the signs, where IEEE and the C library give +-0 or +-pi.
void crtAtan2(GuestServices&, ThunkCall& c) {
    const double y = c.argDouble(0), x = c.argDouble(2);
    if (y == 0 && x == 0) return void(c.st0 = 0.0);
    c.st0 = x87Result(std::atan2(y, x), [y, x] { return std::atan2(static_cast<long double>(y), static_cast<long double>(x)); },
                      guestControlWord(c));
    raiseCrtFlags(c, "atan2", !std::isnan(y) && !std::isnan(x), c.st0 == 0);
}

uint8_t* guestRange(Machine& m, uint32_t addr, uint32_t size, const char* what) {
    uint8_t* p = m.bytes(addr, size);
    if (p == nullptr) throw EmuError(std::string(what) + " of " + std::to_string(size) + " bytes at unmapped guest memory");
    return p;
}

void crtMemcpy(GuestServices& s, ThunkCall& c) {
    const uint32_t dst = c.arg(0), src = c.arg(1), size = c.arg(2);
    if (size != 0) std::memmove(guestRange(s.machine, dst, size, "memcpy"), guestRange(s.machine, src, size, "memcpy"), size);
    c.eax = dst;
}

void crtMemset(GuestServices& s, ThunkCall& c) {
    const uint32_t dst = c.arg(0), size = c.arg(2);
    if (size != 0) std::memset(guestRange(s.machine, dst, size, "memset"), int(c.arg(1) & 0xFF), size);
    c.eax = dst;
}

void crtStrlen(GuestServices& s, ThunkCall& c) { c.eax = uint32_t(s.machine.readString(c.arg(0), 1u << 24).size()); }

using C = Convention;
using R = ResultIn;
// Windows functions are stdcall with their result in EAX; msvcrt's are the
// C library's, counted by hand.
#define API(dll, fn, handler) {#dll ".dll", #fn, 0, kArgSlots<&fn>, C::Stdcall, R::Eax, handler}
constexpr ServedImport kWindowsImports[] = {
    API(KERNEL32, FindResourceA, findResource),
    API(KERNEL32, LoadResource, loadResource),
    API(KERNEL32, LockResource, lockResource),
    API(KERNEL32, FreeResource, freeResource),
    API(KERNEL32, LocalAlloc, localAlloc),
    API(KERNEL32, LocalFree, localFree),
    API(KERNEL32, GetModuleFileNameA, getModuleFileName),
    API(USER32, LoadStringA, loadString),
    API(USER32, LoadMenuA, loadMenu),
    API(USER32, GetSubMenu, getSubMenu),
    API(USER32, CreatePopupMenu, createPopupMenu),
    API(USER32, AppendMenuA, appendMenu),
    API(USER32, GetMenuItemCount, getMenuItemCount),
    API(USER32, GetMenuItemID, getMenuItemId),
    API(USER32, GetMenuStringA, getMenuString),
    API(USER32, GetMenuState, getMenuState),
    API(USER32, DestroyMenu, destroyMenu),
    API(USER32, EndDialog, endDialog),
    API(USER32, GetWindowLongA, getWindowLong),
    API(USER32, SetWindowLongA, setWindowLong),
    {"msvcrt.dll", "sin", 0, 2, C::Cdecl, R::St0, crtSin},
    {"msvcrt.dll", "cos", 0, 2, C::Cdecl, R::St0, crtCos},
    {"msvcrt.dll", "atan2", 0, 4, C::Cdecl, R::St0, crtAtan2},
    {"msvcrt.dll", "memcpy", 0, 3, C::Cdecl, R::Eax, crtMemcpy},
    {"msvcrt.dll", "memmove", 0, 3, C::Cdecl, R::Eax, crtMemcpy},
    {"msvcrt.dll", "memset", 0, 3, C::Cdecl, R::Eax, crtMemset},
    {"msvcrt.dll", "strlen", 0, 1, C::Cdecl, R::Eax, crtStrlen},
};
#undef API

bool sameDll(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const ServedImport> windowsImports() { return kWindowsImports; }

const ServedImport* findServedImport(std::string_view dll, std::string_view name, uint16_t ordinal) {
    for (auto table : {windowsImports(), orvexImports()}) {
        for (const ServedImport& row : table) {
            if (!sameDll(row.dll, dll)) continue;
            if (name.empty() ? (row.name.empty() && row.ordinal == ordinal) : row.name == name) return &row;
        }
    }
    return nullptr;
}

}  // namespace emu
