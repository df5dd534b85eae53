// Import handlers are ordinary typed functions: `R handler(GuestServices&,
// params...)`. Their stack slots, how each argument is read from them and
// where the result goes all follow from that prototype, and each row checks
// the prototype against the declaration of what it serves (the Windows
// declarations, msvcrt's and ORVEX32's prototypes), so a handler that reads
// an argument the caller does not push fails to compile.
//
// Parameter types:
// - double: two slots, low word first;
// - integers: one slot, converted;
// - Win32 handles (pointer types): one slot, as the stand-ins' handle value;
// - std::array<uint32_t, N>: N slots as they are;
// - CallSite: no slot; where the call came from, for handlers that raise
//   an exception through the guest or get an object in ECX;
// - a type with `static T fromGuest(Machine&, uint32_t)` (GuestName): one
//   slot it reads itself.
// Results: double in ST0; void leaves EAX as it is; anything else in EAX.
#pragma once
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

#include "emu/served_imports.h"
#include "standins/handle_cast.h"

namespace emu {

template <class T>
struct IsWordArray : std::false_type {};
template <size_t N>
struct IsWordArray<std::array<uint32_t, N>> : std::true_type {};

template <class T>
constexpr uint8_t guestSlotsOf() {
    if constexpr (std::is_same_v<T, CallSite>) return 0;
    else if constexpr (IsWordArray<T>::value) return uint8_t(std::tuple_size_v<T>);
    else if constexpr (std::is_same_v<T, double>) return 2;
    else return 1;
}

template <class T>
T fromGuest(Machine& m, const ThunkCall& c, const uint32_t* slot) {
    if constexpr (std::is_same_v<T, CallSite>) {
        return {c.esp, m.read32(c.esp), c.ecx};
    } else if constexpr (IsWordArray<T>::value) {
        T words{};
        std::copy(slot, slot + words.size(), words.begin());
        return words;
    } else if constexpr (std::is_same_v<T, double>) {
        return std::bit_cast<double>(uint64_t{slot[1]} << 32 | slot[0]);
    } else if constexpr (std::is_pointer_v<T>) {
        return standin::handleOf<T>(slot[0]);
    } else if constexpr (std::is_integral_v<T>) {
        return static_cast<T>(slot[0]);
    } else {
        return T::fromGuest(m, slot[0]);
    }
}

template <class R>
void toGuest(ThunkCall& c, R result) {
    if constexpr (std::is_same_v<R, double>) c.st0 = result;
    else if constexpr (std::is_pointer_v<R>) c.eax = standin::handleValue(result);
    else c.eax = static_cast<uint32_t>(result);
}

// What each stack slot of a parameter list holds: a word, or one half of a double.
enum class SlotKind : uint8_t { Word, DoubleLow, DoubleHigh };
template <class... A>
constexpr auto slotKinds() {
    constexpr uint8_t perParameter[] = {guestSlotsOf<A>()..., 0};
    constexpr bool isDouble[] = {std::is_same_v<A, double>..., false};
    std::array<SlotKind, (0 + ... + guestSlotsOf<A>())> out{};
    size_t at = 0;
    for (size_t i = 0; i < sizeof...(A); ++i) {
        for (uint8_t k = 0; k < perParameter[i]; ++k)
            out[at + k] = !isDouble[i] ? SlotKind::Word : k == 0 ? SlotKind::DoubleLow : SlotKind::DoubleHigh;
        at += perParameter[i];
    }
    return out;
}

template <class Fn>
struct Handler;

template <class R, class... A>
struct Handler<R (*)(GuestServices&, A...)> {
    static constexpr uint8_t slots = (0 + ... + guestSlotsOf<A>());
    static constexpr ResultIn result = std::is_same_v<R, double> ? ResultIn::St0 : ResultIn::Eax;
    static constexpr auto kinds() { return slotKinds<A...>(); }

    // The adapter a thunk calls: the stack read once, each argument decoded.
    template <auto Fn>
    static void serve(GuestServices& s, ThunkCall& c) {
        std::array<uint32_t, slots + 1> words{};
        for (size_t i = 0; i < slots; ++i) words[i] = s.machine.read32(c.esp + 4 + 4 * uint32_t(i));
        constexpr auto starts = [] {
            constexpr uint8_t perParameter[] = {guestSlotsOf<A>()..., 0};
            std::array<size_t, sizeof...(A) + 1> out{};
            for (size_t i = 0; i < sizeof...(A); ++i) out[i + 1] = out[i] + perParameter[i];
            return out;
        }();
        [&]<size_t... I>(std::index_sequence<I...>) {
            if constexpr (std::is_void_v<R>) Fn(s, fromGuest<A>(s.machine, c, words.data() + starts[I])...);
            else toGuest(c, Fn(s, fromGuest<A>(s.machine, c, words.data() + starts[I])...));
        }(std::index_sequence_for<A...>{});
    }
};

// The same for what a row serves, read off its declaration or prototype.
template <class Fn>
struct Declared;
template <class R, class... A>
struct Declared<R(A...)> {
    static constexpr bool doubleResult = std::is_same_v<R, double>;
    static constexpr auto kinds() { return slotKinds<A...>(); }
};
template <class R, class... A>
struct Declared<R (*)(A...)> : Declared<R(A...)> {};

template <class H, class D, size_t skip>
constexpr bool sameSlots() {
    const auto handled = H::kinds();
    const auto declared = D::kinds();
    if (handled.size() + skip != declared.size()) return false;
    for (size_t i = 0; i < handled.size(); ++i)
        if (handled[i] != declared[i + skip]) return false;
    return true;
}

// The row serving `Served` (a function type, or a declared function's
// pointer type) with `Fn`, whose prototype must take the same slots; with
// `objectInEcx`, the declaration's first parameter travels in ECX instead.
template <class Served, auto Fn, bool objectInEcx = false>
constexpr ServedImport typedRow(std::string_view dll, std::string_view name, uint16_t ordinal, Convention convention) {
    using H = Handler<decltype(Fn)>;
    using D = Declared<Served>;
    static_assert(sameSlots<H, D, objectInEcx ? 1 : 0>(),
                  "the handler reads the stack slots the caller pushes: as many, doubles where it pushes doubles");
    static_assert((H::result == ResultIn::St0) == D::doubleResult, "the handler returns where the caller reads");
    return {dll, name, ordinal, H::slots, convention, H::result, &H::template serve<Fn>};
}

}  // namespace emu
