// The built kinemo.qlm as the host's loader sees it: a 32-bit DLL that
// exports exactly its entry points at their ordinals and imports only what
// a plain Windows install and the host's support library provide.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "driver/export_table.h"
#include "pe/pe_image.h"

namespace {

constexpr uintmax_t kMaxFileSize = 64 * 1024;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

class DllCheck : public ::testing::Test {
protected:
    void SetUp() override {
        try {
            image_ = pe::loadImage(KINEMO_DLL_PATH);
        } catch (const pe::PeError& e) {
            FAIL() << "kinemo.qlm is needed at " << KINEMO_DLL_PATH
                   << " (build the win32 target first, or point -DKINEMO_DLL at it): " << e.what();
        }
    }
    const pe::Image& image() { return *image_; }

private:
    std::optional<pe::Image> image_;
};

}  // namespace

TEST_F(DllCheck, IsA32BitDllWithinSize) {
    EXPECT_EQ(image().machine, pe::kMachineI386);
    EXPECT_TRUE(image().isDll());
    EXPECT_LE(std::filesystem::file_size(KINEMO_DLL_PATH), kMaxFileSize);
    const pe::Section* entry = image().sectionAt(image().entryRva);
    ASSERT_NE(entry, nullptr) << "the attach notification needs an entry point";
    EXPECT_NE(entry->characteristics & pe::kSectionExecute, 0u);
    EXPECT_FALSE(image().relocations.empty()) << "the host may load the module away from its preferred base";
}

TEST_F(DllCheck, ExportsExactlyTheEntryPointsAtTheirOrdinals) {
    const pe::Exports& exports = image().exports;
    EXPECT_EQ(exports.dllName, kdrv::kModuleName);
    EXPECT_EQ(exports.ordinalBase, kdrv::kOrdinalBase);
    ASSERT_EQ(exports.slots.size(), kdrv::kOrdinalSlots);

    std::map<std::string, uint16_t> expected;
    for (const kdrv::ExportInfo& e : kdrv::exportTable()) expected.emplace(std::string(e.name), e.ordinal);
    EXPECT_EQ(exports.names, expected) << "names must be undecorated, one per entry point";

    std::set<uint16_t> named;
    for (const auto& [name, ordinal] : expected) named.insert(ordinal);
    for (uint32_t i = 0; i < exports.slots.size(); ++i) {
        const uint32_t ordinal = exports.ordinalBase + i;
        EXPECT_EQ(exports.slots[i] != 0, named.count(ordinal) == 1) << "ordinal " << ordinal;
        if (exports.slots[i] == 0) continue;
        const pe::Section* code = image().sectionAt(exports.slots[i]);
        ASSERT_NE(code, nullptr) << "ordinal " << ordinal;
        EXPECT_NE(code->characteristics & pe::kSectionExecute, 0u) << "ordinal " << ordinal;
    }
}

TEST_F(DllCheck, ImportsOnlyFromTheAllowedLibraries) {
    struct Allowed {
        const char* dll;
        bool byOrdinal;                 // ORVEX32 has no names to import by
        std::set<std::string> names;    // empty: any name
        std::set<std::string> required;
    };
    const Allowed allowed[] = {
        {"kernel32.dll", false,
         {"FindResourceA", "LoadResource", "LockResource", "FreeResource", "LocalAlloc", "LocalFree",
          "GetModuleFileNameA"},
         {}},
        {"user32.dll", false,
         {"LoadMenuA", "GetSubMenu", "CreatePopupMenu", "AppendMenuA", "GetMenuItemCount", "GetMenuItemID",
          "GetMenuStringA", "GetMenuState", "DestroyMenu", "LoadStringA", "EndDialog", "GetWindowLongA",
          "SetWindowLongA"},
         {}},
        // The transcendental functions must come from here: inlined x87 code
        // would not give the bits the native build gives.
        {"msvcrt.dll", false, {}, {"sin", "cos", "atan2"}},
        {"orvex32.dll", true, {}, {}},
    };
    for (const pe::ImportedDll& dll : image().imports) {
        const Allowed* rule = nullptr;
        for (const Allowed& a : allowed)
            if (lower(dll.name) == a.dll) rule = &a;
        ASSERT_NE(rule, nullptr) << "imports from " << dll.name;
        for (const pe::Import& entry : dll.entries) {
            EXPECT_EQ(entry.byOrdinal, rule->byOrdinal) << dll.name << " " << (entry.byOrdinal ? "#" + std::to_string(entry.ordinal) : entry.name);
            if (!entry.byOrdinal && !rule->names.empty()) {
                EXPECT_EQ(rule->names.count(entry.name), 1u) << dll.name << " " << entry.name;
            }
        }
    }
    for (const Allowed& a : allowed) {
        if (a.required.empty()) continue;
        const pe::ImportedDll* dll = image().importsFrom(a.dll);
        ASSERT_NE(dll, nullptr) << a.dll;
        for (const std::string& name : a.required) {
            bool found = std::any_of(dll->entries.begin(), dll->entries.end(),
                                     [&name](const pe::Import& e) { return !e.byOrdinal && e.name == name; });
            EXPECT_TRUE(found) << a.dll << " " << name;
        }
    }
}
