// What the loader reads off a module file before and after a failed load:
// its machine and the DLLs it imports, from PE32 and PE32+ images, and
// nothing at all (never a crash) from a damaged one.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/dll_file_facts.h"

namespace {

void put(std::vector<uint8_t>& b, size_t at, uint32_t value, int width) {
    if (b.size() < at + width) b.resize(at + width);
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A minimal image: headers, one section holding the import descriptors and
// the DLL names. The layout is the PE format's, written out here.
std::vector<uint8_t> image(bool plus, uint16_t machine, const std::vector<std::string>& dlls) {
    std::vector<uint8_t> b(0x200, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put(b, 0x3C, 0x40, 4);
    put(b, 0x40, 0x00004550, 4);  // "PE\0\0"
    const size_t optionalSize = (plus ? 112 : 96) + 16 * 8;
    put(b, 0x44, machine, 2);
    put(b, 0x46, 1, 2);  // one section
    put(b, 0x54, static_cast<uint32_t>(optionalSize), 2);
    const size_t optional = 0x58;
    put(b, optional, plus ? 0x20B : 0x10B, 2);
    const size_t directories = optional + (plus ? 112 : 96);
    put(b, directories - 4, 16, 4);
    const uint32_t sectionRva = 0x1000, raw = 0x200;
    const uint32_t descriptorsSize = static_cast<uint32_t>((dlls.size() + 1) * 20);
    put(b, directories + 8, sectionRva, 4);  // the import directory
    put(b, directories + 12, descriptorsSize, 4);
    std::vector<uint8_t> section(descriptorsSize, 0);
    for (size_t i = 0; i < dlls.size(); ++i) {
        const uint32_t nameRva = sectionRva + static_cast<uint32_t>(section.size());
        section.insert(section.end(), dlls[i].begin(), dlls[i].end());
        section.push_back(0);
        put(section, i * 20, 0x3000, 4);       // lookup table
        put(section, i * 20 + 12, nameRva, 4);
        put(section, i * 20 + 16, 0x3000, 4);  // address table
    }
    const size_t header = optional + optionalSize;
    put(b, header + 8, static_cast<uint32_t>(section.size()), 4);
    put(b, header + 12, sectionRva, 4);
    put(b, header + 16, static_cast<uint32_t>(section.size()), 4);
    put(b, header + 20, raw, 4);
    b.resize(raw);
    b.insert(b.end(), section.begin(), section.end());
    return b;
}

TEST(ModuleFileFacts, MachineAndImportsOfBothImageKinds) {
    struct Case {
        bool plus;
        uint16_t machine;
        std::vector<std::string> dlls;
        const char* width;
    };
    const Case cases[] = {
        {false, 0x014C, {"KERNEL32.dll", "USER32.dll", "ORVEX32.dll"}, "32-bit"},
        {true, 0x8664, {"orvex64.dll"}, "64-bit"},
        {true, 0x8664, {}, "64-bit"},
        {false, 0x01C4, {"a.dll"}, "unknown-machine"},  // ARM
    };
    for (const Case& c : cases) {
        auto facts = kdrv::readDllFileFacts(image(c.plus, c.machine, c.dlls));
        ASSERT_TRUE(facts.has_value()) << c.width;
        EXPECT_EQ(facts->machine, c.machine);
        EXPECT_EQ(facts->importedDlls, c.dlls);
        EXPECT_EQ(kdrv::machineWidth(c.machine), c.width);
    }
}

TEST(ModuleFileFacts, DamagedImagesGiveNothing) {
    const std::vector<uint8_t> good = image(false, 0x014C, {"KERNEL32.dll", "ORVEX32.dll"});
    // Cut anywhere: what is left is read or refused, never read past.
    for (size_t n = 0; n < good.size(); ++n) {
        auto facts = kdrv::readDllFileFacts(std::vector<uint8_t>(good.begin(), good.begin() + n));
        EXPECT_FALSE(facts.has_value()) << "cut at " << n;
    }
    auto damaged = [&](size_t at, uint32_t value, int width) {
        std::vector<uint8_t> b = good;
        put(b, at, value, width);
        return kdrv::readDllFileFacts(b).has_value();
    };
    EXPECT_FALSE(damaged(0, 0x5A4E, 2)) << "no MZ";
    EXPECT_FALSE(damaged(0x3C, 0xFFFFFFF0, 4)) << "PE header past the end";
    EXPECT_FALSE(damaged(0x40, 0x00004551, 4)) << "no PE signature";
    EXPECT_FALSE(damaged(0x58, 0x107, 2)) << "unknown optional header";
    EXPECT_FALSE(damaged(0x200 + 12, 0x7FFFFFFF, 4)) << "a name outside every section";
    std::vector<uint8_t> unterminated = good;
    unterminated.pop_back();  // the last name's terminator
    EXPECT_FALSE(kdrv::readDllFileFacts(unterminated).has_value());
    EXPECT_FALSE(kdrv::readDllFileFacts(std::filesystem::temp_directory_path().string() + "/no-such.dll").has_value());
}

TEST(ModuleFileFacts, TheBuiltModuleImportsTheSupportLibrary) {
    if (!std::filesystem::exists(KINEMO_DLL_PATH)) GTEST_SKIP() << KINEMO_DLL_PATH << " is not built";
    auto facts = kdrv::readDllFileFacts(std::string(KINEMO_DLL_PATH));
    ASSERT_TRUE(facts.has_value());
    EXPECT_TRUE(facts->machine == 0x014C || facts->machine == 0x8664);
    int support = 0;
    for (const std::string& dll : facts->importedDlls) support += kdrv::isSupportLibraryName(dll) ? 1 : 0;
    EXPECT_EQ(support, 1);
}

TEST(ModuleFileFacts, SupportLibraryNamesInAnyCase) {
    for (const char* name : {"ORVEX32.dll", "orvex32.DLL", "orvex64.dll", "ORVEX64.DLL"})
        EXPECT_TRUE(kdrv::isSupportLibraryName(name)) << name;
    for (const char* name : {"ORVEX32", "ORVEX32.dll.bak", "xORVEX32.dll", "KERNEL32.dll", ""})
        EXPECT_FALSE(kdrv::isSupportLibraryName(name)) << name;
}

}  // namespace
