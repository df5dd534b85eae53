// The imports the emulated host serves, one row per API: which DLL, which
// name or ordinal, how many 32-bit argument slots, the calling convention,
// where the result goes and the handler. Handlers are typed functions made
// into rows by typedRow (typed_import.h), which reads all of that off their
// prototypes; they serve the calls with the same stand-ins as the native
// build, copying strings and buffers between guest memory and the host.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "emu/guest_machine.h"

namespace emu {

// What the handlers share for one loaded module.
struct GuestServices {
    Machine& machine;
    uint32_t moduleHandle;
    // Locked resources copied into guest memory, by their host bytes.
    std::map<const uint8_t*, uint32_t> resourceCopies;
    // Freed LocalAlloc blocks by size, for reuse.
    std::multimap<uint32_t, uint32_t> freeBlocks;
    std::map<uint32_t, uint32_t> blockSizes;
    // Bytes ORVEX32's image set-up fills in its object, and the objects set up.
    uint32_t imageObjectBytes = 0;
    std::map<uint32_t, uint32_t> imageObjects;  // object address -> bytes filled
};

// What a thunk calls: typedRow's adapter around a typed handler.
using ImportHandler = void (*)(GuestServices& services, ThunkCall& call);

struct ServedImport {
    std::string_view dll;   // compared without case
    std::string_view name;  // empty: by ordinal
    uint16_t ordinal;
    uint8_t argSlots;
    Convention convention;
    ResultIn result;
    ImportHandler handler;
};

// The 32-bit stack slots a guest call of a declared function takes, read off
// its prototype: a double takes two, anything else one (pointers and
// integers are 32-bit in the guest whatever they are here).
template <class T>
constexpr uint8_t kSlotsOf = std::is_floating_point_v<T> && sizeof(T) == 8 ? 2 : 1;
template <class Fn>
struct GuestSignature;
template <class R, class... A>
struct GuestSignature<R (*)(A...)> {
    using Params = std::tuple<A...>;
    static constexpr uint8_t slots = (0 + ... + kSlotsOf<A>);
};
template <auto Fn>
constexpr uint8_t kArgSlots = GuestSignature<decltype(Fn)>::slots;

std::span<const ServedImport> windowsImports();  // KERNEL32, USER32, msvcrt
std::span<const ServedImport> orvexImports();    // ORVEX32, by ordinal
// ORVEX32's free functions, whose calling convention the host may choose.
bool isOrvexFunction(const ServedImport& row);
// Whether the row's handler may run guest code: only ORVEX32's do (the
// dialog procedure, exception handlers on the module's chain).
bool runsGuestCode(const ServedImport& row);

// The row serving an import, or null. `name` empty means by ordinal.
const ServedImport* findServedImport(std::string_view dll, std::string_view name, uint16_t ordinal);

}  // namespace emu
