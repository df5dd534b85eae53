// kinemo.qlm in the emulated host: loading away from the preferred base,
// imports the host does not serve, and the drivers refusing calls with the
// wrong number of arguments.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/module.h"
#include "emu/emulated_host.h"
#include "support/dll_file.h"
#include "support/drivers.h"
#include "support/host_records.h"

namespace ActionCode = kinemo::ActionCode;
namespace ExpressionCode = kinemo::ExpressionCode;
using kinemo::HostEditServices;
using kinemo::HostObject;
using kinemo::HostRunHeader;
using kinemo::RunData;

using emu::EmuError;
using emu::EmulatedHost;

namespace {

constexpr uint32_t kOtherBase = 0x50000000;

uint32_t callExport(EmulatedHost& host, std::string_view name, std::vector<uint32_t> args) {
    return host.callExport(name, args);
}

// The message of the EmuError that f throws; "" if it throws none.
template <class F>
std::string emuError(F f) {
    try {
        f();
    } catch (const EmuError& e) {
        return e.what();
    }
    return "";
}

// The motion fields after a short scripted run, driven through the raw host.
std::vector<uint8_t> scriptedRun(EmulatedHost& host) {
    emu::Machine& m = host.machine();
    const uint32_t infos = m.alloc(32);
    callExport(host, "GetRunObjectInfos", {0, infos});
    const uint32_t header = m.alloc(sizeof(HostRunHeader)), object = m.alloc(sizeof(HostObject));
    auto* h = reinterpret_cast<HostRunHeader*>(m.bytes(header, sizeof(HostRunHeader)));
    auto* o = reinterpret_cast<HostObject*>(m.bytes(object, sizeof(HostObject)));
    h->playfieldWidth = 640;
    h->playfieldHeight = 480;
    o->posX = 100;
    o->posY = 50;
    const uint32_t rd = m.alloc(sizeof(RunData));
    m.write32(rd + hostrec::layout::kRunHeader, header);
    callExport(host, "CreateRunObject", {rd, 0, 0});
    using namespace ActionCode;
    const uint32_t script[][3] = {{SetObject, object, 0}, {BounceMode, 0, 0}, {SetAngle, 30, 0}, {SetSpeed, 700, 0},
                                  {SetGravityStrength, 40, 0}};
    for (const auto& [code, p1, p2] : script) {
        const uint32_t args[] = {rd, p1, p2};
        m.call(m.read32(m.read32(infos + 4) + 4 * code), args, "action " + std::to_string(code));
    }
    for (int i = 0; i < 200; ++i) callExport(host, "HandleRunObject", {rd});
    return {m.bytes(rd) + 288, m.bytes(rd) + 356};
}

TEST(EmuHost, RelocatedImageBehavesAsAtItsPreferredBase) {
    EmulatedHost preferred(KINEMO_DLL_PATH);
    EmulatedHost moved(KINEMO_DLL_PATH, {kOtherBase, {}});
    ASSERT_FALSE(preferred.relocated());
    ASSERT_TRUE(moved.relocated());

    // Every address the module hands out lies in the image where it was loaded.
    emu::Machine& m = moved.machine();
    const uint32_t infos = m.alloc(32), services = m.alloc(sizeof(HostEditServices));
    callExport(moved, "GetRunObjectInfos", {0, infos});
    auto inImage = [&](uint32_t a) { return a >= kOtherBase && a < kOtherBase + moved.image().sizeOfImage; };
    for (uint32_t table : {m.read32(infos), m.read32(infos + 4), m.read32(infos + 8)}) {
        EXPECT_TRUE(inImage(table)) << std::hex << table;
        for (uint32_t at = table; m.read32(at) != 0; at += 4) EXPECT_TRUE(inImage(m.read32(at))) << std::hex << m.read32(at);
    }
    EXPECT_TRUE(inImage(callExport(moved, "GetActionInfos", {services, 5})));
    EXPECT_EQ(scriptedRun(moved), scriptedRun(preferred));
}

TEST(EmuHost, CallingAnImportThatIsNotServedNamesIt) {
    // The same DLL with its cos import renamed to something no host serves.
    dllfile::Bytes bytes = dllfile::bytes();
    const pe::Image& image = dllfile::image();
    const pe::ImportedDll* crt = image.importsFrom("msvcrt.dll");
    ASSERT_NE(crt, nullptr);
    for (const pe::Import& imp : crt->entries) {
        if (imp.byOrdinal || imp.name != "cos") continue;
        const size_t hintName = dllfile::fileOffset(image, dllfile::u32(image.mapped, imp.iatRva));
        bytes.at(hintName + 2 + 2) = 't';  // past the hint: "cos" -> "cot"
    }
    const auto path = std::filesystem::temp_directory_path() / ("kinemo_unserved_" + std::to_string(::getpid()) + ".qlm");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    {
        EmulatedHost host(path.string());
        EXPECT_EQ(host.unservedImports(), std::vector<std::string>{"msvcrt.dll!cot"});
    }
    auto m = kdrv::openEmulated(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(m->call("GetInfos", {0}), 768u) << "code that does not reach the import still runs";
    const kdrv::Addr rd = hostrec::newInstance(*m, hostrec::newRunHeader(*m));
    // Set Speed recomposes the components with cos and sin.
    const std::string error = emuError([&] { hostrec::action(*m, rd, ActionCode::SetSpeed, 500); });
    EXPECT_NE(error.find("not served: msvcrt.dll!cot"), std::string::npos) << error;
    EXPECT_NE(error.find("kinemo.qlm+0x"), std::string::npos) << error;
}

TEST(EmuHost, LoadFailuresNameTheFile) {
    EXPECT_THROW(EmulatedHost("/nonexistent/kinemo.qlm"), pe::PeError);
    EXPECT_THROW(EmulatedHost(KINEMO_DLL_PATH, {0x50000800, {}}), EmuError);  // not page-aligned
    const std::string error = emuError([] { EmulatedHost(KINEMO_DLL_PATH, {0x00100000, {}}); });  // the guest stack's place
    EXPECT_NE(error.find("map 0x100000"), std::string::npos) << error;
}

}  // namespace

TEST_P(ModuleTest, DriverChecksArgumentCounts) {
    EXPECT_THROW(m().call("GetInfos", {0, 0}), std::invalid_argument);
    EXPECT_THROW(m().call("NoSuchExport", {}), std::invalid_argument);
    EXPECT_EQ(m().call("GetRunObjectDataSize", {0, 0}), 360u);
    const kdrv::Addr rd = hostrec::newInstance(m(), hostrec::newRunHeader(m()));
    const kdrv::Addr action = hostrec::routine(m(), kdrv::RoutineKind::Action, 0);
    EXPECT_THROW(m().callRoutine(kdrv::RoutineKind::Action, action, {rd, 1}), std::invalid_argument);
    EXPECT_EQ(m().callRoutine(kdrv::RoutineKind::Action, action, {rd, 90, 0}), 0u);
}

// A host that runs with 24-bit x87 precision and flush-to-zero: the module
// runs under it, its callbacks see it, and the driver keeps its own state.
TEST_P(ModuleTest, DriverRunsTheModuleUnderTheHostsFpStateAndKeepsItsOwn) {
    uint16_t ownX87 = 0;
    asm volatile("fnstcw %0" : "=m"(ownX87));
    const uint32_t ownMxcsr = _mm_getcsr();
    m().setHostFpState({0x007F, 0x9FC0});
    const kdrv::Addr rd = hostrec::newInstance(m(), hostrec::newRunHeader(m()));
    EXPECT_NO_THROW(hostrec::expression(m(), rd, ExpressionCode::GetDist, {13, 24}));  // parameters through the callbacks
    EXPECT_NO_THROW(hostrec::step(m(), rd));
    uint16_t x87 = 0;
    asm volatile("fnstcw %0" : "=m"(x87));
    EXPECT_EQ(x87, ownX87);
    EXPECT_EQ(_mm_getcsr(), ownMxcsr);
}
