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

namespace {
uint32_t readU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
uint16_t readU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
}  // namespace

// The record is the host's, byte-packed: read it back byte by byte over a
// pattern the host left there.
TEST_P(ModuleTest, GetRunObjectInfosFillsTheHostRecord) {
    constexpr uint8_t kHostPattern = 0xA5;
    constexpr uint32_t kRecordSize = 32, kSlack = 8;
    struct Field {
        uint32_t offset, width, value;
    };
    const Field fields[] = {
        {12, 2, 1}, {14, 2, 29}, {16, 2, 15}, {18, 2, 16}, {20, 2, 1},
        {22, 1, 100}, {23, 1, kHostPattern}, {24, 2, 0}, {26, 4, 0x83AD46BC}, {30, 2, 1},
    };
    for (uint8_t firstByte : {uint8_t{0x00}, uint8_t{0x33}}) {
        Addr infos = m().alloc(kRecordSize + kSlack);
        std::memset(m().bytes(infos), kHostPattern, kRecordSize + kSlack);
        m().bytes(infos)[23] = firstByte == 0 ? kHostPattern : firstByte;
        EXPECT_EQ(m().call("GetRunObjectInfos", {0xDEADBEEF, infos}), 1u);
        const uint8_t* b = m().bytes(infos);
        for (const Field& f : fields) {
            uint32_t expected = f.offset == 23 ? b[23] : f.value;
            uint32_t actual = f.width == 1 ? b[f.offset] : f.width == 2 ? readU16(b + f.offset) : readU32(b + f.offset);
            EXPECT_EQ(actual, expected) << "byte " << f.offset;
        }
        EXPECT_EQ(b[23], firstByte == 0 ? kHostPattern : firstByte) << "byte 23 belongs to the host";
        for (uint32_t i = kRecordSize; i < kRecordSize + kSlack; ++i) EXPECT_EQ(b[i], kHostPattern) << "byte " << i;
    }
}

TEST_P(ModuleTest, RoutineTablesEndAtNullAfterTheirCounts) {
    struct Case {
        RoutineKind kind;
        uint32_t tableOffset;
        size_t count;
    };
    const Case cases[] = {
        {RoutineKind::Condition, 0, 1},
        {RoutineKind::Action, 4, 29},
        {RoutineKind::Expression, 8, 15},
    };
    Addr first = m().alloc(32);
    Addr second = m().alloc(32);
    m().call("GetRunObjectInfos", {0, first});
    m().call("GetRunObjectInfos", {0, second});
    std::set<Addr> everyRoutine;
    size_t total = 0;
    for (const Case& c : cases) {
        Addr table = readU32(m().bytes(first) + c.tableOffset);
        EXPECT_EQ(readU32(m().bytes(second) + c.tableOffset), table) << "tables are static";
        std::vector<Addr> routines = m().routineTable(c.kind, table);
        EXPECT_EQ(routines.size(), c.count) << "table at byte " << c.tableOffset;
        everyRoutine.insert(routines.begin(), routines.end());
        total += routines.size();
    }
    EXPECT_EQ(everyRoutine.size(), total) << "each event code has its own routine";
}

// The attach notification is not an export; the native build calls it directly.
TEST(Attach, OnlyProcessAttachStoresTheModuleHandle) {
    struct Case {
        uint32_t reason;
        bool stores;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, false}, {3, false}, {0xFFFFFFFF, false}};
    const HINSTANCE original = moduleHandle;
    HINSTANCE handle = reinterpret_cast<HINSTANCE>(uintptr_t{0x10000000});
    for (const Case& c : cases) {
        moduleHandle = original;
        EXPECT_EQ(DllMain(handle, c.reason, nullptr), 1) << "reason " << c.reason;
        EXPECT_EQ(moduleHandle, c.stores ? handle : original) << "reason " << c.reason;
    }
    moduleHandle = original;
}
