// KERNEL32, USER32 and msvcrt for the guest, served by the native stand-ins.
// Each handler is typed (see typed_import.h); its row checks it against the
// Windows declaration or msvcrt's prototype.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "emu/served_imports.h"
#include "emu/typed_import.h"
#include "emu/x87_rounding.h"
#include "standins/handle_cast.h"
#include "standins/standin.h"
#include "platform/winapi.h"

namespace emu {
namespace {

using standin::handleOf;

constexpr uint32_t kTextlessMenuFlags = MF_SEPARATOR | 0x0004 | 0x0100;  // separator, bitmap, owner-drawn

// A guest resource name or type: a number, or a pointer to a string that
// the stand-ins then see as a host string.
struct GuestName {
    uint32_t raw;
    std::string text;
    LPCSTR get() const { return (raw >> 16) == 0 ? handleOf<LPCSTR>(raw) : text.c_str(); }
    static GuestName fromGuest(Machine& m, uint32_t raw) {
        GuestName n{raw, {}};
        if ((raw >> 16) != 0) n.text = m.readString(raw);
        return n;
    }
};

// Runs a stand-in that writes text into a buffer of `size`, through a host
// buffer, and copies what it wrote (up to and including the zero, or the
// whole buffer where the call leaves the text unterminated) back.
template <class Fn>
int32_t withTextBuffer(Machine& m, uint32_t guestBuffer, int32_t size, Fn fn) {
    if (guestBuffer == 0 || size <= 0) return fn(nullptr, size);
    std::vector<char> host(static_cast<size_t>(size), '\0');
    if (m.bytes(guestBuffer, uint32_t(size)) != nullptr) {
        std::memcpy(host.data(), m.bytes(guestBuffer, uint32_t(size)), host.size());  // untouched bytes stay as they were
    }
    const int32_t result = fn(host.data(), size);
    const size_t written = std::min(host.size(), strnlen(host.data(), host.size()) + 1);
    m.writeBytes(guestBuffer, {reinterpret_cast<const uint8_t*>(host.data()), written});
    return result;
}

// ---- KERNEL32 ----

HRSRC findResource(GuestServices&, HMODULE module, GuestName name, GuestName type) {
    return FindResourceA(module, name.get(), type.get());
}

HGLOBAL loadResource(GuestServices&, HMODULE module, HRSRC resource) { return LoadResource(module, resource); }

// The stand-in hands out host bytes; the guest gets a copy in its memory,
// made once per resource.
uint32_t lockResource(GuestServices& s, uint32_t loaded) {
    const std::span<const uint8_t> bytes = standin::lockResource(loaded);
    if (bytes.data() == nullptr) return 0;
    auto [it, fresh] = s.resourceCopies.try_emplace(bytes.data(), 0);
    if (fresh || std::memcmp(s.machine.bytes(it->second, uint32_t(std::max<size_t>(bytes.size(), 1))), bytes.data(), bytes.size()) != 0) {
        it->second = s.machine.alloc(uint32_t(bytes.size()));
        s.machine.writeBytes(it->second, bytes);
    }
    return it->second;
}

BOOL freeResource(GuestServices&, HGLOBAL loaded) { return FreeResource(loaded); }

// Blocks live in guest memory; the stand-ins count them by guest address.
uint32_t localAlloc(GuestServices& s, UINT, uint32_t size) {
    if (standin::callFails(standin::Op::LocalAlloc)) return 0;
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
    return block;
}

uint32_t localFree(GuestServices& s, uint32_t block) {
    if (block == 0) return 0;
    if (!standin::noteFree(block)) return block;
    s.freeBlocks.emplace(s.blockSizes[block], block);
    s.blockSizes.erase(block);
    return 0;
}

DWORD getModuleFileName(GuestServices& s, HMODULE module, uint32_t buffer, int32_t size) {
    return DWORD(withTextBuffer(s.machine, buffer, size, [&](char* text, int32_t n) {
        return int32_t(GetModuleFileNameA(module, text, DWORD(std::max(n, 0))));
    }));
}

// ---- USER32 ----

// A zero size writes nothing (LoadStringA, unlike LoadStringW, as in Wine).
int32_t loadString(GuestServices& s, HINSTANCE module, UINT id, uint32_t buffer, int32_t size) {
    if (size == 0) return standin::kLoadStringZeroSize;
    return withTextBuffer(s.machine, buffer, size, [&](char* text, int32_t n) { return LoadStringA(module, id, text, n); });
}

HMENU loadMenu(GuestServices&, HINSTANCE module, GuestName name) { return LoadMenuA(module, name.get()); }
HMENU getSubMenu(GuestServices&, HMENU menu, int32_t pos) { return GetSubMenu(menu, pos); }
HMENU createPopupMenu(GuestServices&) { return CreatePopupMenu(); }

BOOL appendMenu(GuestServices& s, HMENU menu, UINT flags, UINT_PTR idOrPopup, uint32_t label) {
    std::string text;
    const bool hasText = !(flags & kTextlessMenuFlags) && label != 0;
    if (hasText) text = s.machine.readString(label);
    return AppendMenuA(menu, flags, idOrPopup, hasText ? text.c_str() : handleOf<LPCSTR>(label));
}

int32_t getMenuItemCount(GuestServices&, HMENU menu) { return GetMenuItemCount(menu); }
UINT getMenuItemId(GuestServices&, HMENU menu, int32_t pos) { return GetMenuItemID(menu, pos); }

int32_t getMenuString(GuestServices& s, HMENU menu, UINT item, uint32_t buffer, int32_t size, UINT flags) {
    return withTextBuffer(s.machine, buffer, size, [&](char* text, int32_t n) { return GetMenuStringA(menu, item, text, n, flags); });
}

UINT getMenuState(GuestServices&, HMENU menu, UINT item, UINT flags) { return GetMenuState(menu, item, flags); }
BOOL destroyMenu(GuestServices&, HMENU menu) { return DestroyMenu(menu); }
BOOL endDialog(GuestServices&, HWND dialog, int32_t result) { return EndDialog(dialog, result); }
LONG getWindowLong(GuestServices&, HWND window, int32_t index) { return GetWindowLongA(window, index); }
LONG setWindowLong(GuestServices&, HWND window, int32_t index, LONG value) { return SetWindowLongA(window, index, value); }

// ---- msvcrt (cdecl; doubles take two slots and come back in ST0) ----

// msvcrt's functions as the module calls them: size_t is 32 bits in the guest.
namespace crt {
using Sin = double(double);
using Cos = double(double);
using Atan2 = double(double, double);
using Memcpy = void*(void*, const void*, uint32_t);
using Memmove = void*(void*, const void*, uint32_t);
using Memset = void*(void*, int, uint32_t);
using Strlen = uint32_t(const char*);
}  // namespace crt

// msvcrt computes these on the x87, so the caller's precision and rounding
// control reach the result. We approximate that with one rounding of the
// long double result to the caller's precision in its direction (the real
// library rounds its intermediate steps too; the last bits of a directed or
// 24-bit result may differ from a real CPU's).
uint16_t guestControlWord(Machine& m) { return m.fpControl().x87; }

// The x87 exception flags the library's computation raises: invalid for a
// NaN made from numbers, precision for every other result but the exact
// ones (a zero; cos 0). They stay in the caller's status word; one that the
// caller's control word unmasks would trap inside the library.
double withCrtFlags(Machine& m, const char* name, double result, bool fromNumbers, bool exact) {
    constexpr uint16_t kInvalid = 0x01, kPrecision = 0x20;
    const uint16_t flags = std::isnan(result) ? (fromNumbers ? kInvalid : 0) : (exact ? 0 : kPrecision);
    if ((flags & ~guestControlWord(m)) != 0)
        throw EmuError(std::string(name) + ": an x87 exception that the caller's control word unmasks traps in msvcrt");
    m.raiseX87Flags(flags);
    return result;
}

double crtSin(GuestServices& s, double x) {
    const double r = x87Result(std::sin(x), [x] { return std::sin(static_cast<long double>(x)); }, guestControlWord(s.machine));
    return withCrtFlags(s.machine, "sin", r, !std::isnan(x), x == 0);
}

double crtCos(GuestServices& s, double x) {
    const double r = x87Result(std::cos(x), [x] { return std::cos(static_cast<long double>(x)); }, guestControlWord(s.machine));
    return withCrtFlags(s.machine, "cos", r, !std::isnan(x), x == 0);
}

// Both arguments zero is a domain error in msvcrt that yields +0 whatever
// the signs, where IEEE and the C library give +-0 or +-pi.
double crtAtan2(GuestServices& s, double y, double x) {
    if (y == 0 && x == 0) return 0.0;
    const double r = x87Result(std::atan2(y, x),
                               [y, x] { return std::atan2(static_cast<long double>(y), static_cast<long double>(x)); },
                               guestControlWord(s.machine));
    return withCrtFlags(s.machine, "atan2", r, !std::isnan(y) && !std::isnan(x), r == 0);
}

uint8_t* guestRange(Machine& m, uint32_t addr, uint32_t size, const char* what) {
    uint8_t* p = m.bytes(addr, size);
    if (p == nullptr) throw EmuError(std::string(what) + " of " + std::to_string(size) + " bytes at unmapped guest memory");
    return p;
}

uint32_t crtMemcpy(GuestServices& s, uint32_t dst, uint32_t src, uint32_t size) {
    if (size != 0) std::memmove(guestRange(s.machine, dst, size, "memcpy"), guestRange(s.machine, src, size, "memcpy"), size);
    return dst;
}

uint32_t crtMemset(GuestServices& s, uint32_t dst, int32_t value, uint32_t size) {
    if (size != 0) std::memset(guestRange(s.machine, dst, size, "memset"), value & 0xFF, size);
    return dst;
}

uint32_t crtStrlen(GuestServices& s, uint32_t text) { return uint32_t(s.machine.readString(text, 1u << 24).size()); }

// Windows functions are stdcall, checked against their declarations; msvcrt's
// are cdecl, checked against the prototypes above.
#define API(dll, fn, handler) typedRow<decltype(&fn), &handler>(#dll ".dll", #fn, 0, Convention::Stdcall)
#define CRT(fn, prototype, handler) typedRow<crt::prototype, &handler>("msvcrt.dll", #fn, 0, Convention::Cdecl)
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
    CRT(sin, Sin, crtSin),
    CRT(cos, Cos, crtCos),
    CRT(atan2, Atan2, crtAtan2),
    CRT(memcpy, Memcpy, crtMemcpy),
    CRT(memmove, Memmove, crtMemcpy),
    CRT(memset, Memset, crtMemset),
    CRT(strlen, Strlen, crtStrlen),
};
#undef API
#undef CRT

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
