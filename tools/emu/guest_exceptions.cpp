#include "emu/guest_exceptions.h"

#include <string>

namespace emu {
namespace {

constexpr uint32_t kChainEnd = 0xFFFFFFFF;
constexpr int kMaxFrames = 256;

// The record's flags, and what a handler answers to pass the exception on.
enum : uint32_t { kNonContinuable = 0x1, kUnwinding = 0x2 };
constexpr uint32_t kContinueSearch = 1;

// The exception record and the CONTEXT: their sizes, the flags that say
// which registers the context holds, and where EIP and ESP lie in it.
constexpr uint32_t kRecordSize = 80, kContextSize = 0x2CC;
constexpr uint32_t kContextFull = 0x10007;
constexpr uint32_t kContextEip = 0xB8, kContextEsp = 0xC4;

// Calls every handler on the chain with the record; the search phase keeps
// the chain, the unwind phase unlinks each frame after its handler ran.
void walkChain(Machine& m, uint32_t record, uint32_t context, bool unwind) {
    const uint32_t chainHead = m.threadBlock();
    uint32_t frame = m.read32(chainHead);
    for (int n = 0; frame != kChainEnd; ++n) {
        if (n == kMaxFrames) throw EmuError("exception chain longer than " + std::to_string(kMaxFrames) + " frames");
        const uint32_t handler = m.read32(frame + 4);
        const uint32_t args[] = {record, frame, context, 0};
        // Handlers are cdecl: the caller removes the arguments.
        const uint32_t disposition = m.call(Machine::Call{handler, args, "exception handler " + m.describe(handler), std::nullopt, 0});
        if (!unwind && disposition != kContinueSearch)
            throw EmuError("exception handler " + m.describe(handler) + " answered " + std::to_string(disposition) +
                           " to a non-continuable exception, expected 1 (continue search)");
        const uint32_t next = m.read32(frame);
        if (unwind) m.write32(chainHead, next);
        frame = next;
    }
}

}  // namespace

void raiseThroughGuest(Machine& m, const CallSite& at, uint32_t code, std::exception_ptr hostException) {
    const uint32_t record = m.alloc(kRecordSize);
    const uint32_t context = m.alloc(kContextSize);
    const uint32_t from = at.returnAddress;
    m.write32(record + 0, code);
    m.write32(record + 4, kNonContinuable);
    m.write32(record + 12, from);
    m.write32(context + 0, kContextFull);
    m.write32(context + kContextEip, from);
    m.write32(context + kContextEsp, at.esp);

    walkChain(m, record, context, false);
    m.write32(record + 4, kNonContinuable | kUnwinding);
    walkChain(m, record, context, true);
    std::rethrow_exception(hostException);
}

}  // namespace emu
