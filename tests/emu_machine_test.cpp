// The guest machine on hand-assembled code: the stack-cleanup check, faults
// and endless loops reported instead of hanging, and the FPU state a call must keep.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "emu/guest_machine.h"
#include "emu_guest_code.h"

using emu::Convention;
using emu::FpControl;
using emu::Machine;
using emu::ResultIn;
using emu::ThunkCall;
using guestcode::cat;
using guestcode::Code;
using guestcode::le32;

namespace {

constexpr uint32_t kCodeBase = 0x00400000;
constexpr uint32_t kReadOnlyData = 0x00600000;

struct Guest {
    Machine machine;
    guestcode::CodeArea area{machine, kCodeBase};
    uint32_t place(const Code& bytes) { return area.place(bytes); }
};

// mov eax,[esp+4]; add eax,[esp+8]; ret n
Code addTwo(uint8_t removes) { return {0x8B, 0x44, 0x24, 0x04, 0x03, 0x44, 0x24, 0x08, 0xC2, removes, 0}; }

std::string failureOf(Machine& m, uint32_t at, std::vector<uint32_t> args = {}, std::optional<int> declared = {}) {
    try {
        m.call(Machine::Call{at, args, "probe", std::nullopt, declared});
    } catch (const emu::EmuError& e) {
        return e.what();
    }
    return "";
}

TEST(EmuMachine, FailuresAreReportedAndLeaveTheMachineUsable) {
    struct Case {
        const char* name;
        Code code;
        std::vector<uint32_t> args;
        std::optional<int> declared;      // slots the callee must remove; default: as many as pushed
        std::vector<std::string> errors;  // parts of the message
    };
    const Case cases[] = {
        {"removes too little", addTwo(4), {20, 22}, {}, {"removed 4 bytes of arguments, expected 8", "probe"}},
        {"removes too much", addTwo(12), {20, 22}, {}, {"removed 12 bytes of arguments, expected 8"}},
        {"declared count wrong", addTwo(8), {20, 22}, 3, {"removed 8 bytes of arguments, expected 12"}},
        {"read through null", {0xA1, 0, 0, 0, 0, 0xC3}, {}, {}, {"read from unmapped address 0x0", "at 0x40"}},
        {"write to code", cat({{0xC7, 0x05}, le32(kCodeBase), le32(1), {0xC3}}), {}, {}, {"write to read-only address 0x400000"}},
        // The read puts the page in the TLB before the store.
        {"write to read-only data", cat({{0xA1}, le32(kReadOnlyData), {0xC7, 0x05}, le32(kReadOnlyData), le32(1), {0xC3}}),
         {}, {}, {"write to read-only address 0x600000"}},
        {"jump into nowhere", {0xB8, 0, 0, 0, 0x70, 0xFF, 0xE0}, {}, {}, {"execution of unmapped address 0x70000000"}},
        {"invalid instruction", {0x0F, 0x0B}, {}, {}, {"UC_ERR_INSN_INVALID"}},
        {"divide by zero", {0x31, 0xC9, 0xF7, 0xF1, 0xC3}, {}, {}, {"CPU exception 0"}},
        {"endless loop", {0xEB, 0xFE}, {}, {}, {"block budget", "endless loop"}},
        {"loop through two blocks", {0x40, 0x75, 0xFD, 0xEB, 0xFB}, {}, {}, {"block budget"}},
        {"stray thunk interrupt", {0xCD, 0x80, 0xC3}, {}, {}, {"outside a thunk"}},
    };
    Guest g;
    g.machine.map(kReadOnlyData, 0x1000, emu::kPermRead);
    g.machine.setBlockBudget(200'000);
    const uint32_t good = g.place(addTwo(8));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string error = failureOf(g.machine, g.place(c.code), c.args, c.declared);
        for (const std::string& part : c.errors) EXPECT_NE(error.find(part), std::string::npos) << error;
        // A right call afterwards still works.
        const uint32_t ok[] = {40, 2};
        EXPECT_EQ(g.machine.call(good, ok, "good"), 42u);
    }
}

// Stores to plain data take a shorter path than stores to pages that may
// hold code; code rewritten in a writable page must still run as rewritten.
TEST(EmuMachine, CodeRewrittenInAWritablePageRunsAsRewritten) {
    constexpr uint32_t kPage = 0x00700000;
    Guest g;
    uint8_t* page = g.machine.map(kPage, 0x1000, emu::kPermAll);
    const Code returnsOne = {0xB8, 1, 0, 0, 0, 0xC3};                            // mov eax,1; ret
    const Code patch = cat({{0xC6, 0x05}, le32(kPage + 1), {2, 0xC3}});          // mov byte [kPage+1],2; ret
    std::memcpy(page, returnsOne.data(), returnsOne.size());
    std::memcpy(page + 0x100, patch.data(), patch.size());
    EXPECT_EQ(g.machine.call(kPage, {}, "before"), 1u);
    g.machine.call(kPage + 0x100, {}, "patch");
    EXPECT_EQ(g.machine.call(kPage, {}, "after"), 2u);
    EXPECT_THROW(g.machine.protect(kPage, 0x1000, emu::kPermRead), emu::EmuError);
}

// Windows aligns the stack to 4 bytes only: code that assumes 16 on entry
// must find its aligned slots off, whatever the argument count.
TEST(EmuMachine, CalleesDoNotFindTheStackSixteenByteAligned) {
    Guest g;
    const uint8_t argCounts[] = {0, 1, 2, 3, 4, 7};
    for (const uint8_t n : argCounts) {
        // lea eax,[esp+4]; and eax,15; ret 4n
        const uint32_t probe = g.place({0x8D, 0x44, 0x24, 0x04, 0x83, 0xE0, 0x0F, 0xC2, uint8_t(4 * n), 0x00});
        const std::vector<uint32_t> args(n, 0);
        EXPECT_NE(g.machine.call(probe, args, "probe"), 0u) << int(n) << " arguments";
    }
}

// Stores the control words it started with at [esp+12], then loads the
// ones passed: mov eax,[esp+12]; fnstcw [eax]; stmxcsr [eax+4];
// fldcw [esp+4]; ldmxcsr [esp+8]; ret 12
const Code kSwapFp = {0x8B, 0x44, 0x24, 0x0C, 0xD9, 0x38, 0x0F, 0xAE, 0x58, 0x04,
                      0xD9, 0x6C, 0x24, 0x04, 0x0F, 0xAE, 0x54, 0x24, 0x08, 0xC2, 0x0C, 0x00};

TEST(EmuMachine, CallsStartWithTheHostsFpStateAndMustEndWithIt) {
    struct Case {
        const char* name;
        FpControl host;
        FpControl left;  // what the guest loads before it returns
        bool nested;     // loaded by a nested run inside a handler
        bool fails;
    };
    const FpControl hostile{0x007F, 0x9FC0};  // 24-bit precision, flush to zero, denormals are zero
    const Case cases[] = {
        {"unchanged", {}, {}, false, false},
        {"sticky status flags set", {}, {0x027F, 0x1FBF}, false, false},
        {"x87 precision", {}, {0x037F, 0x1F80}, false, true},
        {"x87 rounding", {}, {0x0E7F, 0x1F80}, false, true},
        {"x87 exception mask", {}, {0x027E, 0x1F80}, false, true},
        {"MXCSR rounding", {}, {0x027F, 0x7F80}, false, true},
        {"MXCSR flush to zero", {}, {0x027F, 0x9F80}, false, true},
        {"MXCSR denormals are zero", {}, {0x027F, 0x1FC0}, false, true},
        {"hostile host, unchanged", hostile, hostile, false, false},
        {"directed-rounding host, unchanged", {0x0F7F, 0x7F80}, {0x0F7F, 0x7F80}, false, false},
        {"hostile host, reset to Windows' defaults", hostile, {}, false, true},
        {"changed in a nested run", {}, {0x037F, 0x1F80}, true, true},
    };
    Guest g;
    Machine& m = g.machine;
    const uint32_t swap = g.place(kSwapFp), seen = m.alloc(8);
    FpControl nestedLoad;
    const uint32_t thunk = m.addThunk("host", 0, Convention::Stdcall, ResultIn::Eax, [&](ThunkCall& c) {
        const uint32_t args[] = {nestedLoad.x87, nestedLoad.mxcsr, seen};
        c.machine.call(swap, args, "nested");
    });
    // mov ecx,thunk; call ecx; ret 12
    const uint32_t viaHandler = g.place(cat({{0xB9}, le32(thunk), {0xFF, 0xD1, 0xC2, 0x0C, 0x00}}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m.setHostFpState(c.host);
        nestedLoad = c.left;
        const uint32_t args[] = {c.left.x87, c.left.mxcsr, seen};
        std::string error;
        try {
            m.call(c.nested ? viaHandler : swap, args, "probe");
        } catch (const emu::FpStateError& e) {
            error = e.what();
        }
        EXPECT_EQ(m.read32(seen) & 0xFFFF, c.host.x87);
        EXPECT_EQ(m.read32(seen + 4), c.host.mxcsr);
        if (c.fails) {
            EXPECT_NE(error.find("probe: returned with " + emu::describe(c.left)), std::string::npos) << error;
        } else {
            EXPECT_EQ(error, "");
        }
    }
    // A flag left raised under a control word that unmasks it traps the host
    // at its next x87 instruction; the call after starts with the flags clear.
    const FpControl zeroDivideUnmasked{0x027B, 0x1F80};
    m.setHostFpState(zeroDivideUnmasked);
    // fld1; fldz; fdivp st(1),st; fstp st(0); ret
    const uint32_t divideByZero = g.place({0xD9, 0xE8, 0xD9, 0xEE, 0xDE, 0xF9, 0xDD, 0xD8, 0xC3});
    EXPECT_THROW(m.call(divideByZero, {}, "divide"), emu::FpStateError);
    const uint32_t unchanged[] = {zeroDivideUnmasked.x87, zeroDivideUnmasked.mxcsr, seen};
    EXPECT_NO_THROW(m.call(swap, unchanged, "after"));
}

}  // namespace
