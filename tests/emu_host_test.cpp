// kinemo.qlm in the emulated host: loading away from the preferred base,
// the stack-cleanup check on exports, and imports the host does not serve.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/module.h"
#include "emu/emulated_host.h"
#include "support/host_records.h"

using emu::EmuError;
using emu::EmulatedHost;

namespace {

constexpr uint32_t kOtherBase = 0x50000000;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The motion fields after a short scripted run, driven through the raw host.
std::vector<uint8_t> scriptedRun(EmulatedHost& host) {
    emu::Machine& m = host.machine();
    const uint32_t infos = m.alloc(32);
    const uint32_t a1[] = {0, infos};
    host.callExport("GetRunObjectInfos", a1);
    const uint32_t actions = m.read32(infos + 4);

    const uint32_t header = m.alloc(sizeof(HostRunHeader));
    m.bytes(header)[148] = 0x80;  // playfield 640 x 480
    m.bytes(header)[149] = 0x02;
    m.bytes(header)[150] = 0xE0;
    m.bytes(header)[151] = 0x01;
    const uint32_t object = m.alloc(sizeof(HostObject));
    m.bytes(object)[62] = 100;
    m.bytes(object)[66] = 50;
    const uint32_t rd = m.alloc(sizeof(RunData));
    std::memcpy(m.bytes(rd) + kRunHeaderOffset, &header, 4);
    const uint32_t a2[] = {rd, 0, 0};
    host.callExport("CreateRunObject", a2);

    auto action = [&](int code, uint32_t p1, uint32_t p2) {
        const uint32_t args[] = {rd, p1, p2};
        m.call(m.read32(actions + 4 * uint32_t(code)), args, "action " + std::to_string(code));
    };
    action(2, object, 0);   // Set Object
    action(17, 0, 0);       // Bounce Mode
    action(0, 30, 0);       // Set Angle 30
    action(1, 700, 0);      // Set Speed 700
    action(3, 40, 0);       // gravity
    const uint32_t step[] = {rd};
    for (int i = 0; i < 200; ++i) host.callExport("HandleRunObject", step);
    return {m.bytes(rd) + 288, m.bytes(rd) + 356};
}

TEST(EmuHost, RelocatedImageBehavesAsAtItsPreferredBase) {
    EmulatedHost preferred(KINEMO_DLL_PATH);
    EmulatedHost moved(KINEMO_DLL_PATH, {kOtherBase, {}});
    ASSERT_FALSE(preferred.relocated());
    ASSERT_TRUE(moved.relocated());
    ASSERT_FALSE(moved.image().relocations.empty());

    // Every address the module hands out lies in the image where it was loaded.
    emu::Machine& m = moved.machine();
    const uint32_t infos = m.alloc(32);
    const uint32_t args[] = {0, infos};
    moved.callExport("GetRunObjectInfos", args);
    const uint32_t end = kOtherBase + moved.image().sizeOfImage;
    for (uint32_t table : {m.read32(infos), m.read32(infos + 4), m.read32(infos + 8)}) {
        EXPECT_TRUE(table >= kOtherBase && table < end) << std::hex << table;
        for (uint32_t at = table; m.read32(at) != 0; at += 4)
            EXPECT_TRUE(m.read32(at) >= kOtherBase && m.read32(at) < end) << std::hex << m.read32(at);
    }
    const uint32_t services = m.alloc(sizeof(HostEditServices));
    const uint32_t rowArgs[] = {services, 5};
    const uint32_t row = moved.callExport("GetActionInfos", rowArgs);
    EXPECT_TRUE(row >= kOtherBase && row < end) << std::hex << row;

    EXPECT_EQ(scriptedRun(moved), scriptedRun(preferred));
}

TEST(EmuHost, ExportCallsFailLoudlyWhenTheArgumentCountIsWrong) {
    struct Case {
        const char* name;
        int pushed;
        int declared;
        const char* error;
    };
    const Case cases[] = {
        {"GetInfos", 1, 2, "removed 4 bytes of arguments, expected 8"},
        {"GetInfos", 2, 2, "removed 4 bytes of arguments, expected 8"},
        {"HandleRunObject", 1, 0, "removed 4 bytes of arguments, expected 0"},
        {"Initialize", 2, 3, "removed 8 bytes of arguments, expected 12"},
        {"GetRunObjectDataSize", 2, 1, "removed 8 bytes of arguments, expected 4"},
    };
    EmulatedHost host(KINEMO_DLL_PATH);
    const uint32_t rd = host.machine().alloc(sizeof(RunData));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> args(size_t(c.pushed), 0);
        if (std::string(c.name) == "HandleRunObject") args[0] = rd;
        try {
            host.callExport(c.name, args, c.declared);
            ADD_FAILURE() << "no error";
        } catch (const EmuError& e) {
            EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
    const uint32_t zero[] = {0};
    EXPECT_EQ(host.callExport("GetInfos", zero), 768u);
}

TEST(EmuHost, CallingAnImportThatIsNotServedNamesIt) {
    // The same DLL with its cos import renamed to something no host serves.
    std::vector<uint8_t> bytes = readFile(KINEMO_DLL_PATH);
    const pe::Image image = pe::parseImage(bytes);
    const pe::ImportedDll* crt = image.importsFrom("msvcrt.dll");
    ASSERT_NE(crt, nullptr);
    bool renamed = false;
    for (const pe::Import& imp : crt->entries) {
        if (imp.byOrdinal || imp.name != "cos") continue;
        // The hint/name entry: locate its file offset through the section holding it.
        const uint32_t nameRva = image.mapped[imp.iatRva] | image.mapped[imp.iatRva + 1] << 8 |
                                 image.mapped[imp.iatRva + 2] << 16 | uint32_t(image.mapped[imp.iatRva + 3]) << 24;
        const pe::Section* s = image.sectionAt(nameRva);
        ASSERT_NE(s, nullptr);
        bytes.at(s->rawOffset + (nameRva - s->virtualAddress) + 2 + 2) = 't';  // "cos" -> "cot"
        renamed = true;
    }
    ASSERT_TRUE(renamed);
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
    try {
        hostrec::action(*m, rd, 1, 500);  // Set Speed recomposes the components with cos and sin
        ADD_FAILURE() << "no error";
    } catch (const EmuError& e) {
        EXPECT_NE(std::string(e.what()).find("not served: msvcrt.dll!cot"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("kinemo.qlm+0x"), std::string::npos) << e.what();
    }
}

TEST(EmuHost, LoadFailuresNameTheFile) {
    EXPECT_THROW(EmulatedHost("/nonexistent/kinemo.qlm"), pe::PeError);
    EXPECT_THROW(EmulatedHost(KINEMO_DLL_PATH, {0x50000800, {}}), EmuError);  // not page-aligned
    try {
        EmulatedHost host(KINEMO_DLL_PATH, {0x00100000, {}});  // where the guest stack lives
        ADD_FAILURE() << "no error";
    } catch (const EmuError& e) {
        EXPECT_NE(std::string(e.what()).find("map 0x100000"), std::string::npos) << e.what();
    }
}

TEST(EmuHost, DriverChecksArgumentCounts) {
    auto m = kdrv::openEmulated(KINEMO_DLL_PATH);
    EXPECT_EQ(m->kind(), "emulated");
    EXPECT_THROW(m->call("GetInfos", {0, 0}), std::invalid_argument);
    EXPECT_THROW(m->call("NoSuchExport", {}), std::invalid_argument);
    EXPECT_EQ(m->call("GetRunObjectDataSize", {0, 0}), 360u);
    const kdrv::Addr rd = hostrec::newInstance(*m, hostrec::newRunHeader(*m));
    const kdrv::Addr action = hostrec::routine(*m, kdrv::RoutineKind::Action, 0);
    EXPECT_THROW(m->callRoutine(kdrv::RoutineKind::Action, action, {rd, 1}), std::invalid_argument);
    EXPECT_EQ(m->callRoutine(kdrv::RoutineKind::Action, action, {rd, 90, 0}), 0u);
}

}  // namespace
