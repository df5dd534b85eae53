// Hand-assembled guest code for the emulator tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "emu/guest_machine.h"

namespace guestcode {

using Code = std::vector<uint8_t>;

inline Code le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

inline Code cat(std::initializer_list<Code> parts) {
    Code out;
    for (const Code& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Read-only, executable pages, as an image's .text. Each piece of code gets
// its own 256 bytes: the emulator keeps what it translated, so code written
// over other code would not be seen.
struct CodeArea {
    static constexpr uint32_t kSize = 0x10000, kSlot = 0x100;
    uint32_t base;
    uint8_t* host;
    uint32_t used = 0;

    CodeArea(emu::Machine& m, uint32_t at) : base(at), host(m.map(at, kSize, emu::kPermRead | emu::kPermExec)) {}

    uint32_t place(const Code& bytes) {
        if (bytes.size() > kSlot || used == kSize) throw std::length_error("no room for guest code");
        std::memcpy(host + used, bytes.data(), bytes.size());
        used += kSlot;
        return base + used - kSlot;
    }
};

}  // namespace guestcode
