// The resources inside the built kinemo.qlm, read back from the file: the
// string ids, the bitmaps, the version block and the data carried for the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/event_codes.h"
#include "host/resource_ids.h"
#include "standins/resource_table.h"
#include "standins/standin.h"
#include "support/dll_file.h"

namespace ActionCode = kinemo::ActionCode;
namespace ConditionCode = kinemo::ConditionCode;
namespace ExpressionCode = kinemo::ExpressionCode;

namespace {

using dllfile::u32;

constexpr uint32_t kDllModule = 0x7C000000;  // where this test registers the DLL's resources
constexpr uint32_t kBitmap = 2, kMenu = 4, kString = 6, kData = 10;
constexpr uint16_t kUsEnglish = 1033, kUkEnglish = 2057;

class DllResources : public ::testing::Test {
protected:
    void SetUp() override {
        platform::registerModuleResources(reinterpret_cast<HINSTANCE>(uintptr_t{kDllModule}), dllfile::image().resources);
    }
    void TearDown() override { standin::reset(); }

    static const platform::ResourceEntry& entry(uint32_t type, uint32_t name) {
        const platform::ResourceEntry* e = dllfile::image().resource(type, name);
        if (e == nullptr) throw std::runtime_error("no resource " + std::to_string(type) + "/" + std::to_string(name));
        return *e;
    }
};

// The event strings and menus are pinned by the golden event reference and
// the object texts by the editor tests; here, that the table holds those ids
// and nothing else, and the texts only the host reads.
TEST_F(DllResources, StringTableHoldsExactlyTheListedIds) {
    std::set<uint32_t> want = {1, 2, 3, 4, 128, 129, 130, 131, 132};
    for (int code = 0; code < ActionCode::Count; ++code) want.insert(KINEMO_ACTION_STRING_BASE + KINEMO_ACTION_STEP * code);
    for (int code = 0; code < ConditionCode::Count; ++code) want.insert(KINEMO_CONDITION_STRING_BASE + code);
    for (int code = 0; code < ExpressionCode::Count; ++code)
        want.insert(KINEMO_EXPRESSION_STRING_BASE + KINEMO_EXPRESSION_STEP * code);
    std::map<uint32_t, std::string> got;
    for (const platform::ResourceEntry& e : dllfile::image().resources) {
        if (e.type != kString) continue;
        EXPECT_EQ(e.language, kUsEnglish) << "string block " << e.name;
        for (uint32_t id = (e.name - 1) * 16; id < e.name * 16; ++id)
            if (auto text = standin::loadString(kDllModule, id)) got[id] = *text;
    }
    std::set<uint32_t> ids;
    for (const auto& [id, text] : got) ids.insert(id);
    EXPECT_EQ(ids, want);
    EXPECT_EQ(got[1].size(), 4u);  // a four-character code
    for (uint32_t menu : {KINEMO_MENU_ACTIONS, KINEMO_MENU_CONDITIONS, KINEMO_MENU_EXPRESSIONS})
        EXPECT_EQ(entry(kMenu, menu).language, kUsEnglish);
    EXPECT_EQ((std::array{got[2], got[3], got[4]}),
              (std::array<std::string, 3>{"Kinemo", "Create a new Kinemo object", " %s :Kinemo object"}));
}

TEST_F(DllResources, BitmapsAreTheDrawnFilesWithoutTheirFileHeader) {
    struct Case { uint32_t id; const char* file; uint16_t language; uint32_t width, height; };
    const Case cases[] = {
        {KINEMO_BITMAP_ICON, "icon.bmp", kUsEnglish, 32, 32},
        {KINEMO_BITMAP_PICTURE, "icon.bmp", kUsEnglish, 32, 32},
        {101, "logo.bmp", kUkEnglish, 161, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto& e = entry(kBitmap, c.id);
        EXPECT_EQ(e.language, c.language);
        // Header size, width, height, one plane of 8 bits, uncompressed, then a 256-colour table.
        const uint32_t header[] = {40, c.width, c.height, 0x00080001, 0};
        for (size_t i = 0; i < std::size(header); ++i) EXPECT_EQ(u32(e.data, 4 * i), header[i]) << "header word " << i;
        EXPECT_EQ(e.data.size(), 40 + 1024 + ((c.width + 3) & ~3u) * c.height);
        std::ifstream in(std::string(KINEMO_SOURCE_DIR) + "/res/" + c.file, std::ios::binary);
        const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + std::min<size_t>(14, file.size()), file.end()), e.data) << c.file;
    }
}

TEST_F(DllResources, VersionBlockAndHostData) {
    const pe::VersionInfo v = pe::parseVersionInfo(entry(pe::kResourceVersion, 1).data);
    EXPECT_EQ(v.fileVersion, (std::array<uint16_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(v.productVersion, (std::array<uint16_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(v.stringTableKey, "040904E4");
    EXPECT_EQ(v.translations, (std::vector<uint32_t>{0x04E40409}));
    std::map<std::string, std::string> values(v.strings.begin(), v.strings.end());
    for (const char* maker : {"CompanyName", "FileDescription", "LegalCopyright"})  // need only name the project
        if (values[maker].find("Kinemo") != std::string::npos) values[maker] = "(Kinemo)";
    EXPECT_EQ(values, (std::map<std::string, std::string>{
                          {"FileVersion", "2.00"}, {"ProductVersion", "1, 0, 0, 0"}, {"ProductName", "Kinemo Object"},
                          {"InternalName", "kinemo.qlm"}, {"OriginalFilename", "kinemo.qlm"}, {"Comments", ""},
                          {"LegalTrademarks", ""}, {"PrivateBuild", ""}, {"SpecialBuild", ""},
                          {"CompanyName", "(Kinemo)"}, {"FileDescription", "(Kinemo)"}, {"LegalCopyright", "(Kinemo)"}}));
    EXPECT_EQ(entry(kData, 200).data, (std::vector<uint8_t>{0x16, 0x25, 0x08, 0x59}));
}

}  // namespace
