// The built kinemo.qlm as the host's loader sees it: a 32-bit DLL that
// exports exactly its entry points at their ordinals and imports only what
// a plain Windows install and the host's support library provide.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "driver/export_table.h"
#include "pe/seh_safety.h"
#include "support/dll_file.h"

namespace {

bool executable(const pe::Image& image, uint32_t rva) {
    const pe::Section* s = image.sectionAt(rva);
    return s != nullptr && (s->characteristics & pe::kSectionExecute) != 0;
}

TEST(DllCheck, IsARelocatable32BitDllWithinSize) {
    const pe::Image& image = dllfile::image();
    EXPECT_EQ(image.machine, pe::kMachineI386);
    EXPECT_TRUE(image.isDll());
    EXPECT_LE(std::filesystem::file_size(KINEMO_DLL_PATH), 64u * 1024);
    EXPECT_TRUE(executable(image, image.entryRva)) << "the attach notification needs an entry point";
    EXPECT_FALSE(image.relocations.empty()) << "the host may load the module away from its preferred base";
}

TEST(DllCheck, ExportsExactlyTheEntryPointsAtTheirOrdinals) {
    const pe::Image& image = dllfile::image();
    const pe::Exports& exports = image.exports;
    EXPECT_EQ(exports.dllName, kdrv::kModuleName);
    EXPECT_EQ(exports.ordinalBase, kdrv::kOrdinalBase);
    ASSERT_EQ(exports.slots.size(), kdrv::kOrdinalSlots);

    std::map<std::string, uint16_t> expected;
    std::set<uint32_t> named;
    for (const kdrv::ExportInfo& e : kdrv::exportTable()) {
        expected.emplace(std::string(e.name), e.ordinal);
        named.insert(e.ordinal);
    }
    EXPECT_EQ(exports.names, expected) << "names must be undecorated, one per entry point";
    for (uint32_t i = 0; i < exports.slots.size(); ++i) {
        const uint32_t ordinal = exports.ordinalBase + i;
        EXPECT_EQ(exports.slots[i] != 0, named.count(ordinal) == 1) << "ordinal " << ordinal;
        EXPECT_TRUE(exports.slots[i] == 0 || executable(image, exports.slots[i])) << "ordinal " << ordinal;
    }
}

TEST(DllCheck, ImportsOnlyFromTheAllowedLibraries) {
    // names: those it may give, empty for any; ORVEX32 has none and is imported from by ordinal.
    struct Allowed { const char* dll; bool byOrdinal; std::set<std::string> names, required; };
    const Allowed allowed[] = {
        {"KERNEL32.dll", false, {"FindResourceA", "LoadResource", "LockResource", "FreeResource", "LocalAlloc",
                                 "LocalFree", "GetModuleFileNameA"}, {}},
        {"USER32.dll", false, {"LoadMenuA", "GetSubMenu", "CreatePopupMenu", "AppendMenuA", "GetMenuItemCount",
                               "GetMenuItemID", "GetMenuStringA", "GetMenuState", "DestroyMenu", "LoadStringA",
                               "EndDialog", "GetWindowLongA", "SetWindowLongA"}, {}},
        // The transcendental functions must come from here: inlined x87 code
        // would not give the bits the native build gives.
        {"msvcrt.dll", false, {}, {"sin", "cos", "atan2"}},
        {"ORVEX32.dll", true, {}, {}},
    };
    const pe::Image& image = dllfile::image();
    size_t known = 0;
    for (const Allowed& a : allowed) {
        SCOPED_TRACE(a.dll);
        const pe::ImportedDll* dll = image.importsFrom(a.dll);
        EXPECT_TRUE(dll != nullptr || a.required.empty());
        if (dll == nullptr) continue;
        ++known;
        std::set<std::string> names;
        for (const pe::Import& entry : dll->entries) {
            EXPECT_EQ(entry.byOrdinal, a.byOrdinal) << (entry.byOrdinal ? "#" + std::to_string(entry.ordinal) : entry.name);
            if (!entry.byOrdinal) names.insert(entry.name);
            EXPECT_TRUE(entry.byOrdinal || a.names.empty() || a.names.count(entry.name) == 1) << entry.name;
        }
        EXPECT_TRUE(std::includes(names.begin(), names.end(), a.required.begin(), a.required.end()));
    }
    EXPECT_EQ(image.imports.size(), known) << "imports from a library outside the list";
}

// The image guard's exception handler runs only if the image neither says
// it has no handlers nor lists the ones it allows. Patched copies show that
// the check sees either.
TEST(DllCheck, WindowsWouldRunTheImageGuardsHandler) {
    struct Case { const char* name; bool noSeh; uint32_t configSize, table, count; size_t problems; };
    const Case cases[] = {
        {"as built", false, 0, 0, 0, 0},
        {"NO_SEH", true, 0, 0, 0, 1},
        {"SafeSEH table", false, 72, 0x61F40000, 1, 1},
        {"empty SafeSEH table", false, 72, 0x61F40000, 0, 1},
        {"load configuration without SafeSEH", false, 64, 0x61F40000, 1, 0},
        {"both", true, 0x48, 0x61F40000, 2, 2},
    };
    const pe::Image& built = dllfile::image();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dllfile::Bytes file = dllfile::bytes();
        const size_t opt = dllfile::u32(file, 0x3C) + 24;
        if (c.noSeh) dllfile::put16(file, opt + 70, built.dllCharacteristics | pe::kDllNoSeh);
        if (c.configSize != 0) {
            // Any bytes the reader does not parse will do: the start of the code.
            const uint32_t rva = built.sectionAt(built.entryRva)->virtualAddress;
            const size_t at = dllfile::fileOffset(built, rva);
            dllfile::put32(file, at, c.configSize);
            dllfile::put32(file, at + 64, c.table);
            dllfile::put32(file, at + 68, c.count);
            dllfile::put32(file, opt + 96 + 8 * pe::kDirLoadConfig, rva);
            dllfile::put32(file, opt + 100 + 8 * pe::kDirLoadConfig, c.configSize);
        }
        const std::vector<std::string> problems = pe::sehProblems(pe::readSehFacts(pe::parseImage(file, c.name)));
        EXPECT_EQ(problems.size(), c.problems) << testing::PrintToString(problems);
    }
}

}  // namespace
