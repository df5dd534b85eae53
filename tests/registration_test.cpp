#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "driver/module.h"
#include "host/exports.h"
#include "support/drivers.h"

using namespace kdrv;

TEST_P(ModuleTest, GetInfosAnswersOnlySelectorZero) {
    EXPECT_EQ(m().call("GetInfos", {0}), 768u);
    EXPECT_EQ(m().call("GetInfos", {1}), 0u);
    EXPECT_EQ(m().call("GetInfos", {0xFFFFFFFF}), 0u);
}

// The record is the host's, byte-packed: read it back byte by byte over a
// pattern the host left there. Bytes 0-11 are the routine tables; byte 23
// and everything past byte 31 belong to the host.
TEST_P(ModuleTest, GetRunObjectInfosFillsTheHostRecord) {
    constexpr uint8_t kHost = 0xA5;
    for (uint8_t hostByte : {kHost, uint8_t{0x33}}) {
        const std::vector<uint8_t> want = {
            1, 0, 29, 0, 15, 0, 16, 0, 1, 0,  // 12: the three counts, edit data size, flags
            100, hostByte, 0, 0,              // 22: object byte, the host's byte, second flags
            0xBC, 0x46, 0xAD, 0x83, 1, 0,     // 26: identifier 0x83AD46BC, unaligned; version
            kHost, kHost, kHost, kHost, kHost, kHost, kHost, kHost};
        Addr infos = m().alloc(40);
        std::memset(m().bytes(infos), kHost, 40);
        m().bytes(infos)[23] = hostByte;
        EXPECT_EQ(m().call("GetRunObjectInfos", {0xDEADBEEF, infos}), 1u);
        EXPECT_EQ(std::vector<uint8_t>(m().bytes(infos) + 12, m().bytes(infos) + 40), want);
    }
}

TEST_P(ModuleTest, RoutineTablesEndAtNullAfterTheirCounts) {
    const std::pair<RoutineKind, size_t> tables[] = {{RoutineKind::Condition, 1}, {RoutineKind::Action, 29},
                                                     {RoutineKind::Expression, 15}};  // at bytes 0, 4, 8
    Addr first = m().alloc(32), second = m().alloc(32);
    m().call("GetRunObjectInfos", {0, first});
    m().call("GetRunObjectInfos", {0, second});
    std::set<Addr> everyRoutine;
    size_t total = 0, offset = 0;
    for (auto [kind, count] : tables) {
        Addr table;
        std::memcpy(&table, m().bytes(first) + offset, sizeof table);
        EXPECT_EQ(std::memcmp(m().bytes(second) + offset, &table, sizeof table), 0) << "tables are static";
        std::vector<Addr> routines = m().routineTable(kind, table);
        EXPECT_EQ(routines.size(), count) << "table at byte " << offset;
        everyRoutine.insert(routines.begin(), routines.end());
        total += routines.size();
        offset += 4;
    }
    EXPECT_EQ(everyRoutine.size(), total) << "each event code has its own routine";
}

// The attach notification is not an export; the native build calls it directly.
TEST(Attach, OnlyProcessAttachStoresTheModuleHandle) {
    const std::pair<uint32_t, bool> reasons[] = {{0, false}, {1, true}, {2, false}, {3, false}, {0xFFFFFFFF, false}};
    const HINSTANCE original = moduleHandle;
    HINSTANCE handle = reinterpret_cast<HINSTANCE>(uintptr_t{0x10000000});
    for (auto [reason, stores] : reasons) {
        moduleHandle = original;
        EXPECT_EQ(DllMain(handle, reason, nullptr), 1) << "reason " << reason;
        EXPECT_EQ(moduleHandle, stores ? handle : original) << "reason " << reason;
    }
    moduleHandle = original;
}
