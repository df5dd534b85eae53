#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/exports.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::DllMain;
using kinemo::HostObject;
using kinemo::RunData;
using kinemo::moduleHandle;

using namespace hostrec;

namespace {
constexpr uint8_t kHostFill = 0xCD;

std::vector<uint8_t> snapshot(Module& m, Addr a, size_t size) {
    return std::vector<uint8_t>(m.bytes(a), m.bytes(a) + size);
}
}  // namespace

// Over a record the host filled with a pattern: every motion byte is written,
// the header and `target` are not.
TEST_P(ModuleTest, CreateRunObjectWritesDefaultsOnlyToMotionFields) {
    constexpr size_t kMotionStart = 288, kTargetStart = 356;
    Addr rd = m().alloc(sizeof(RunData));
    std::memset(m().bytes(rd), kHostFill, sizeof(RunData));
    EXPECT_EQ(m().call("CreateRunObject", {rd, 0xFFFFFFFF, 0xFFFFFFFF}), 0u);

    std::vector<uint8_t> expected(sizeof(RunData), kHostFill);
    std::fill(expected.begin() + kMotionStart, expected.begin() + kTargetStart, 0);
    auto put = [&expected](size_t offset, uint32_t bits) { std::memcpy(&expected[offset], &bits, sizeof bits); };
    put(296, 0x4096CBE4);  // gravityAngle: straight down
    put(328, 0x42C80000);  // bounceCoefficient: 100
    // Bytes 354-355 lie between the flags and `target`; the defaults may leave them.
    std::vector<uint8_t> actual = snapshot(m(), rd, sizeof(RunData));
    actual[354] = expected[354] = 0;
    actual[355] = expected[355] = 0;
    for (size_t i = 0; i < sizeof(RunData); ++i) EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
}

TEST_P(ModuleTest, HostNotificationsChangeNothing) {
    struct Case {
        const char* name;
        bool takesRecord;  // single-argument notifications get the record itself
        uint32_t result;
    };
    const Case cases[] = {
        {"DestroyRunObject", false, 0},
        {"DisplayRunObject", true, 0},
        {"PauseRunObject", true, 0},
        {"ContinueRunObject", true, 0},
        {"HandleRunObject", true, 2},  // unbound: the step does nothing
    };
    for (const Case& c : cases) {
        Addr header = newRunHeader(m());
        Addr rd = newInstance(m(), header);
        Addr target = newObject(m(), 50, 60);
        run(m(), rd).target = target;  // present but not bound: objectSet stays 0
        run(m(), rd).xSpeed = 300.0f;
        std::memset(m().bytes(rd), kHostFill, layout::kObjectHeaderSize);
        attachRunHeader(m(), rd, header);
        auto record = snapshot(m(), rd, sizeof(RunData));
        auto object = snapshot(m(), target, sizeof(HostObject));
        uint32_t result = c.takesRecord ? m().call(c.name, {rd}) : m().call(c.name, {rd, target});
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(snapshot(m(), rd, sizeof(RunData)), record) << c.name;
        EXPECT_EQ(snapshot(m(), target, sizeof(HostObject)), object) << c.name;
    }
}

// Binding to no object is ignored, so the step stays off.
TEST_P(ModuleTest, BindingToNoObjectIsIgnored) {
    Addr rd = newInstance(m(), newRunHeader(m()));
    EXPECT_EQ(action(m(), rd, ActionCode::SetObject, 0), 0);
    EXPECT_EQ(run(m(), rd).objectSet, 0);
    EXPECT_EQ(step(m(), rd), 2);
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
