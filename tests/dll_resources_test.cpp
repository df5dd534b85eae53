// The resources inside the built kinemo.qlm, read back from the file: menus,
// every string, the About box, the bitmaps, the version block and the data
// carried for the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "standins/resource_table.h"
#include "standins/standin.h"
#include "support/dll_file.h"

namespace {

using dllfile::u16;
using dllfile::u32;

constexpr uint32_t kDllModule = 0x7C000000;  // where this test registers the DLL's resources
constexpr uint32_t kBitmap = 2, kMenu = 4, kDialog = 5, kString = 6, kData = 10;
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

TEST_F(DllResources, MenusHoldEveryItemWithSeparatorsKeepingTheirIds) {
    struct Case { uint32_t id; const char* tree; };
    const Case cases[] = {
        {20001, "> \"\"\n  \"Is Paused\" 26000\n"},
        {20000,
         "> \"\"\n"
         "  \"Set Object\" 25002\n  \"Pause Kinemo\" 25020\n  \"Resume Kinemo\" 25021\n  ---- 25002\n"
         "  > \"Position\"\n    \"Set X\" 25005\n    \"Set Y\" 25006\n    \"Set Position\" 25007\n    ---- 25000\n"
         "    \"Move Towards (object)\" 25023\n    \"Move Towards (angle)\" 25026\n"
         "  > \"Angle\"\n    \"Set Angle\" 25000\n    \"Set Angle Towards Point\" 25014\n"
         "    \"Set Angle Towards Object\" 25012\n    ---- 25000\n    \"Rotate Towards (object)\" 25027\n"
         "    \"Rotate Towards (angle)\" 25028\n"
         "  > \"Speed\"\n    \"Set Kinemo Speed\" 25001\n    \"Set Kinemo X Speed\" 25010\n"
         "    \"Set Kinemo Y Speed\" 25011\n    ---- 25000\n    \"Add Directional Speed (object)\" 25024\n"
         "    \"Add Directional Speed (angle)\" 25025\n    ---- 25000\n    \"Set Minimum Speed\" 25008\n"
         "    \"Set Maximum Speed\" 25009\n"
         "  > \"Gravity / Acceleration\"\n    \"Set Gravity Strength\" 25003\n    \"Set Gravity Angle\" 25004\n"
         "    \"Set Gravity Towards Point\" 25015\n    \"Set Gravity Towards Object\" 25013\n"
         "  > \"Set Mode\"\n    \"Wrap Mode\" 25016\n    \"Bounce Mode\" 25017\n    \"Disable Wrap/Bounce\" 25018\n"
         "  ---- 25000\n  \"Set Bounce Coefficient\" 25019\n  \"Forced Bounce\" 25022\n"},
        {20002,
         "> \"\"\n"
         "  \"Get X\" 27020\n  \"Get Y\" 27030\n  ---- 27010\n  \"Get Angle\" 27000\n  ---- 27010\n"
         "  \"Get Kinemo Speed\" 27010\n  \"Get Kinemo X Speed\" 27040\n  \"Get Kinemo Y Speed\" 27050\n"
         "  \"Get Minimum Speed\" 27090\n  \"Get Maximum Speed\" 27080\n  ---- 27010\n"
         "  \"Get Gravity Strength\" 27060\n  \"Get Gravity Angle\" 27070\n  ---- 27010\n"
         "  \"Get Bounce Coefficient\" 27100\n  ---- 25000\n"
         "  > \"Advanced\"\n    \"Distance from Object to Point\" 27110\n    \"Distance between Two Points\" 27130\n"
         "    ---- 27010\n    \"Angle between Object and Point\" 27120\n    \"Angle between Two Points\" 27140\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(entry(kMenu, c.id).language, kUsEnglish);
        const uint32_t menu = standin::loadMenu(kDllModule, c.id);
        ASSERT_NE(menu, 0u);
        EXPECT_EQ(standin::describeMenu(menu), c.tree);
        standin::destroyMenu(menu);
    }
}

TEST_F(DllResources, StringTableHoldsExactlyTheListedStrings) {
    // Empty: a text of our own, checked first for what it must contain.
    const std::map<uint32_t, std::string> expected = {
        {2, "Kinemo"}, {3, "Create a new Kinemo object"}, {4, " %s :Kinemo object"},
        {128, "Kinemo"}, {131, "Release Version 1.1"},
        {5000, "Set Angle %0\xB0"}, {5001, "Set Speed %0"}, {5002, "Set Object %0"},
        {5003, "Set Gravity Strength %0"}, {5004, "Set Gravity Angle %0\xB0"}, {5005, "Set X to %0"},
        {5006, "Set Y to %0"}, {5007, "Set Position (%0, %1)"}, {5008, "Set Minimum Speed %0"},
        {5009, "Set Maximum Speed %0"}, {5010, "Set X Speed %0"}, {5011, "Set Y Speed %0"},
        {5012, "Set Kinemo Towards %0"}, {5013, "Set Gravity Towards %0"},
        {5014, "Set Kinemo Towards (%0, %1)"}, {5015, "Set Gravity Towards (%0, %1)"},
        {5016, "Wrap Mode"}, {5017, "Bounce Mode"}, {5018, "No Mode"}, {5019, "Set Bounce Coefficient %0"},
        {5020, "Pause Kinemo"}, {5021, "Resume Kinemo"}, {5022, "Bounce, Plane Angle %0"},
        {5023, "Move %0 Towards %1"}, {5024, "Directional Speed %0, (%1)"},
        {5025, "Directional Speed %0, (%1\xB0)"}, {5026, "Move %0 at %1\xB0"},
        {5027, "Rotate %0\xB0 towards %1"}, {5028, "Rotate %0\xB0 towards %1\xB0"},
        {6000, "Is Paused"},
        {7000, "GetAngle("}, {7010, "GetSpeed("}, {7020, "GetX("}, {7030, "GetY("}, {7040, "GetXSpeed("},
        {7050, "GetYSpeed("}, {7060, "GetGravityStrength("}, {7070, "GetGravityAngle("},
        {7080, "GetMaxSpeed("}, {7090, "GetMinSpeed("}, {7100, "GetBounceCoe("}, {7110, "GetDist("},
        {7120, "GetAng("}, {7130, "GetDistPoints("}, {7140, "GetAngPoints("},
        {1, ""}, {129, ""}, {130, ""}, {132, ""},
    };
    std::map<uint32_t, std::string> got;
    for (const platform::ResourceEntry& e : dllfile::image().resources) {
        if (e.type != kString) continue;
        EXPECT_EQ(e.language, kUsEnglish) << "string block " << e.name;
        for (uint32_t id = (e.name - 1) * 16; id < e.name * 16; ++id)
            if (auto text = standin::loadString(kDllModule, id)) got[id] = *text;
    }
    EXPECT_EQ(got[1].size(), 4u);  // a four-character code
    for (uint32_t id : {129, 130}) EXPECT_NE(got[id].find("Kinemo project"), std::string::npos) << id;
    EXPECT_NE(got[130].find("20"), std::string::npos);  // a year
    EXPECT_NE(got[132].find("kinemo"), std::string::npos);
    for (uint32_t id : {1, 129, 130, 132}) got[id].clear();
    EXPECT_EQ(got, expected);
}

// A dialog template's text, or "#n" for an ordinal, moving past it.
std::string readText(std::span<const uint8_t> d, size_t& at) {
    if (u16(d, at) == 0xFFFF) {
        at += 4;
        return "#" + std::to_string(u16(d, at - 2));
    }
    std::string s;
    for (; u16(d, at) != 0; at += 2) s += static_cast<char>(u16(d, at));
    at += 2;
    return s;
}

TEST_F(DllResources, AboutBoxHasItsControlsInOrder) {
    // Popup, visible, caption, modal frame, font given; of a control: its own word, tab stop, group, child, visible.
    constexpr uint32_t kDialogStyles = 0x90C000C0, kControlStyles = 0x5003FFFF;
    const auto& dialog = entry(kDialog, 20003);
    EXPECT_EQ(dialog.language, kUsEnglish);
    const std::vector<uint8_t>& d = dialog.data;
    auto s16 = [&d](size_t at) { return static_cast<int16_t>(u16(d, at)); };
    EXPECT_EQ(u32(d, 0) & kDialogStyles, kDialogStyles);
    EXPECT_EQ((std::array{s16(10), s16(12), s16(14), s16(16)}), (std::array<int16_t, 4>{0, 4, 212, 58}));
    size_t at = 18;
    EXPECT_EQ(readText(d, at), "");  // no menu
    EXPECT_EQ(readText(d, at), "");  // the standard dialog class
    EXPECT_EQ(readText(d, at), "Kinemo Object v 1.1");
    EXPECT_EQ(u16(d, at), 8);  // point size
    at += 2;
    EXPECT_EQ(readText(d, at), "Helv");

    std::vector<std::string> controls;
    for (uint16_t i = 0; i < u16(d, 8); ++i) {
        at = (at + 3) & ~size_t{3};
        char placed[80];
        std::snprintf(placed, sizeof placed, "0x%08x (%d, %d, %d, %d) id %d ", u32(d, at) & kControlStyles, s16(at + 8),
                      s16(at + 10), s16(at + 12), s16(at + 14), s16(at + 16));
        at += 18;
        const std::string cls = readText(d, at);
        std::string text = readText(d, at);
        at += 2 + u16(d, at);  // creation data
        if (text.find("Kinemo project") != std::string::npos && text.find('@') != std::string::npos) text = "(makers)";
        controls.push_back(placed + cls + " \"" + text + "\"");
    }
    EXPECT_EQ(controls, (std::vector<std::string>{
                            "0x50010001 (8, 35, 91, 13) id 1 #128 \"&OK\"",        // default push button
                            "0x50000007 (4, 3, 205, 48) id -1 #128 \"\"",          // group box
                            "0x50020000 (7, 8, 88, 25) id -1 #130 \"(makers)\"",   // left-aligned: makers and a mail address
                            "0x5000000e (101, 7, 107, 43) id -1 #130 \"#101\"",    // bitmap 101
                        }));
}

TEST_F(DllResources, BitmapsAreTheDrawnFilesWithoutTheirFileHeader) {
    struct Case { uint32_t id; const char* file; uint16_t language; uint32_t width, height; };
    const Case cases[] = {
        {400, "icon.bmp", kUsEnglish, 32, 32}, {401, "icon.bmp", kUsEnglish, 32, 32}, {101, "logo.bmp", kUkEnglish, 161, 70},
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
