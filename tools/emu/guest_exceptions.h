// Structured exceptions raised by a library the guest calls. Windows looks
// for a handler along the FS:[0] chain, and once a frame outside the module
// (the host's) takes the exception, unwinds the module's frames, calling each
// handler again with the unwinding flag and unlinking it. Then the host's
// exception continues on the host side.
#pragma once
#include <cstdint>
#include <exception>

#include "emu/guest_machine.h"

namespace emu {

constexpr uint32_t kLibraryExceptionCode = 0xE06D7363;  // what a C++ throw in the library raises

[[noreturn]] void raiseThroughGuest(Machine& machine, const CallSite& at, uint32_t code, std::exception_ptr hostException);

}  // namespace emu
