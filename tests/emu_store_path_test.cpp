// The short store path around Unicorn 2.0.1's stubbed dirty tracking: on
// for this machine's 2.0.1, all or nothing, and never with a hook that
// would miss the stores it shortens.
#include <gtest/gtest.h>
#include <unicorn/unicorn.h>

#include <string>

#include "emu/guest_machine.h"

namespace {

constexpr unsigned kUnicorn201 = 0x020001;
// The four library functions the executable stands in for: lock, unlock, TLB fill, code lookup.
constexpr unsigned kEveryStandIn = 0xF;

unsigned libraryVersion() { return uc_version(nullptr, nullptr) >> 8; }

TEST(EmuStorePath, IsEngagedOnThisMachinesUnicorn201) {
    if (libraryVersion() != kUnicorn201) GTEST_SKIP() << "made for Unicorn 2.0.1 only";
    EXPECT_TRUE(emu::storesTakeShortPaths()) << "see the line on standard error for why";
}

TEST(EmuStorePath, EngagesOnlyWhenTheLibrarysCallsAndImportSlotsAllReachTheStandIns) {
    struct Case {
        const char* name;
        unsigned version, reached, bound;
        const char* refusal;  // part of the reason; "" engages
    };
    const unsigned all = kEveryStandIn;
    const Case cases[] = {
        {"2.0.1, every call and slot ours", kUnicorn201, all, all, ""},
        {"unlock called inside the library", kUnicorn201, all & ~2u, all, "calls of page_collection_unlock_x86_64"},
        {"lock called inside the library", kUnicorn201, all & ~1u, all, "calls of page_collection_lock_x86_64"},
        {"TLB fill called inside", kUnicorn201, all & ~4u, all, "calls of tlb_set_page_with_attrs_x86_64"},
        {"code lookup called inside", kUnicorn201, all & ~8u, all, "calls of get_page_addr_code_hostp_x86_64"},
        {"probe could not run", kUnicorn201, 0, all, "did not run"},
        {"an unlock slot elsewhere", kUnicorn201, all, all & ~2u, "slots for page_collection_unlock_x86_64"},
        {"no slot ours (-Bsymbolic-functions)", kUnicorn201, all, 0, "slots for page_collection_lock_x86_64, "},
        {"a later release", 0x020002, all, all, "this is 2.0.2"},
        {"an earlier release", 0x020000, all, all, "made for Unicorn 2.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string refusal = emu::storePathRefusal(c.version, c.reached, c.bound);
        if (*c.refusal == '\0') {
            EXPECT_EQ(refusal, "");
        } else {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
        }
    }
}

TEST(EmuStorePath, NoMemoryWriteHookWhileEngaged) {
    if (!emu::storesTakeShortPaths()) GTEST_SKIP() << "not engaged here";
    EXPECT_NO_THROW(emu::Machine());  // adds every hook a machine has
    for (const int type : {int(UC_HOOK_MEM_WRITE), int(UC_HOOK_MEM_VALID), int(UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE)})
        EXPECT_THROW(emu::requireHookSeesEveryStore(type), emu::EmuError) << type;
    for (const int type : {int(UC_HOOK_BLOCK), int(UC_HOOK_MEM_READ), int(UC_HOOK_MEM_INVALID), int(UC_HOOK_CODE)})
        EXPECT_NO_THROW(emu::requireHookSeesEveryStore(type)) << type;
}

}  // namespace
