// The resources inside the built kinemo.qlm, read back from the file: menus,
// every string, the About box, the bitmaps, the version block and the data
// carried for the host.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pe/pe_image.h"
#include "platform/resource_table.h"
#include "platform/standin.h"

namespace {

constexpr uint32_t kDllModule = 0x7C000000;  // where this test registers the DLL's resources
constexpr uint32_t kBitmap = 2, kMenu = 4, kDialog = 5, kString = 6, kData = 10;
constexpr uint16_t kUsEnglish = 1033, kUkEnglish = 2057;

class DllResources : public ::testing::Test {
protected:
    void SetUp() override {
        try {
            image_ = pe::loadImage(KINEMO_DLL_PATH);
        } catch (const pe::PeError& e) {
            FAIL() << "kinemo.qlm is needed at " << KINEMO_DLL_PATH
                   << " (build the win32 target, or point -DKINEMO_DLL at it): " << e.what();
        }
        platform::registerModuleResources(reinterpret_cast<HINSTANCE>(uintptr_t{kDllModule}), image_->resources);
    }
    void TearDown() override { standin::reset(); }

    const platform::ResourceEntry& entry(uint32_t type, uint32_t name) {
        const platform::ResourceEntry* e = image_->resource(type, name);
        if (e == nullptr) throw std::runtime_error("no resource " + std::to_string(type) + "/" + std::to_string(name));
        return *e;
    }

    std::optional<pe::Image> image_;
};

uint16_t u16At(const std::vector<uint8_t>& d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }
uint32_t u32At(const std::vector<uint8_t>& d, size_t at) { return u16At(d, at) | uint32_t{u16At(d, at + 2)} << 16; }

TEST_F(DllResources, MenusHoldEveryItemWithSeparatorsKeepingTheirIds) {
    struct Case {
        uint32_t id;
        const char* tree;
    };
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
    };
    // Our own texts: present, and naming the project where they name a maker.
    const std::map<uint32_t, std::string> ours = {
        {1, ""}, {129, "Kinemo project"}, {130, "Kinemo project"}, {132, "kinemo"},
    };

    std::set<uint32_t> present;
    for (const platform::ResourceEntry& e : image_->resources) {
        if (e.type != kString) continue;
        EXPECT_EQ(e.language, kUsEnglish) << "string block " << e.name;
        for (uint32_t id = (e.name - 1) * 16; id < e.name * 16; ++id)
            if (standin::loadString(kDllModule, id)) present.insert(id);
    }
    std::set<uint32_t> wanted;
    for (const auto& [id, text] : expected) wanted.insert(id);
    for (const auto& [id, text] : ours) wanted.insert(id);
    EXPECT_EQ(present, wanted);

    for (const auto& [id, text] : expected) EXPECT_EQ(standin::loadString(kDllModule, id).value_or("-"), text) << id;
    for (const auto& [id, part] : ours)
        EXPECT_NE(standin::loadString(kDllModule, id).value_or("").find(part), std::string::npos) << id;
    EXPECT_EQ(standin::loadString(kDllModule, 1).value_or("").size(), 4u);  // a four-character code
    EXPECT_NE(standin::loadString(kDllModule, 130).value_or("").find("20"), std::string::npos);  // a year
}

// The About box template: header, font, then each control on a four-byte boundary.
struct Control {
    uint32_t style;
    int16_t x, y, cx, cy;
    int16_t id;
    uint16_t classOrdinal;
    std::string text;  // "#101" for an ordinal
};

std::string readText(const std::vector<uint8_t>& d, size_t& at) {
    if (u16At(d, at) == 0xFFFF) {
        const std::string ordinal = "#" + std::to_string(u16At(d, at + 2));
        at += 4;
        return ordinal;
    }
    std::string s;
    for (uint16_t c; (c = u16At(d, at)) != 0; at += 2) s += static_cast<char>(c);
    at += 2;
    return s;
}

TEST_F(DllResources, AboutBoxHasItsControlsInOrder) {
    const auto& dialog = entry(kDialog, 20003);
    EXPECT_EQ(dialog.language, kUsEnglish);
    const auto& d = dialog.data;
    const uint32_t style = u32At(d, 0);
    constexpr uint32_t kPopup = 0x80000000, kVisible = 0x10000000, kCaption = 0x00C00000, kModalFrame = 0x80,
                       kSetFont = 0x40;
    EXPECT_EQ(style & (kPopup | kVisible | kCaption | kModalFrame | kSetFont),
              kPopup | kVisible | kCaption | kModalFrame | kSetFont);
    const uint16_t count = u16At(d, 8);
    EXPECT_EQ((std::vector<int16_t>{static_cast<int16_t>(u16At(d, 10)), static_cast<int16_t>(u16At(d, 12)),
                                    static_cast<int16_t>(u16At(d, 14)), static_cast<int16_t>(u16At(d, 16))}),
              (std::vector<int16_t>{0, 4, 212, 58}));
    size_t at = 18;
    EXPECT_EQ(readText(d, at), "");  // no menu
    EXPECT_EQ(readText(d, at), "");  // the standard dialog class
    EXPECT_EQ(readText(d, at), "Kinemo Object v 1.1");
    EXPECT_EQ(u16At(d, at), 8);
    at += 2;
    EXPECT_EQ(readText(d, at), "Helv");

    std::vector<Control> controls;
    for (uint16_t i = 0; i < count; ++i) {
        at = (at + 3) & ~size_t{3};
        Control c{};
        c.style = u32At(d, at);
        c.x = static_cast<int16_t>(u16At(d, at + 8));
        c.y = static_cast<int16_t>(u16At(d, at + 10));
        c.cx = static_cast<int16_t>(u16At(d, at + 12));
        c.cy = static_cast<int16_t>(u16At(d, at + 14));
        c.id = static_cast<int16_t>(u16At(d, at + 16));
        at += 18;
        const std::string cls = readText(d, at);
        c.classOrdinal = cls.starts_with("#") ? static_cast<uint16_t>(std::stoi(cls.substr(1))) : 0;
        c.text = readText(d, at);
        at += 2 + u16At(d, at);  // creation data
        controls.push_back(c);
    }
    constexpr uint16_t kButton = 0x80, kStatic = 0x82;
    constexpr uint32_t kTabStop = 0x10000, kGroup = 0x20000, kChild = 0x40000000;
    struct Expected {
        uint32_t styleBits;  // low word exactly, then these bits among the rest
        int16_t x, y, cx, cy, id;
        uint16_t cls;
        std::string text;
    };
    const Expected expected[] = {
        {0x0001 | kTabStop, 8, 35, 91, 13, 1, kButton, "&OK"},   // default push button
        {0x0007, 4, 3, 205, 48, -1, kButton, ""},                // group box
        {0x0000 | kGroup, 7, 8, 88, 25, -1, kStatic, ""},        // left-aligned text, text checked below
        {0x000E, 101, 7, 107, 43, -1, kStatic, "#101"},          // bitmap 101
    };
    ASSERT_EQ(controls.size(), std::size(expected));
    for (size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE(i);
        const Control& c = controls[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.style & 0xFFFF, e.styleBits & 0xFFFF);
        EXPECT_EQ(c.style & (e.styleBits | kChild | kVisible) & 0xFFFF0000, (e.styleBits | kChild | kVisible) & 0xFFFF0000);
        EXPECT_EQ((std::vector<int16_t>{c.x, c.y, c.cx, c.cy, c.id}), (std::vector<int16_t>{e.x, e.y, e.cx, e.cy, e.id}));
        EXPECT_EQ(c.classOrdinal, e.cls);
        if (i != 2) {
            EXPECT_EQ(c.text, e.text);
        }
    }
    EXPECT_EQ(controls[0].style & kGroup, 0u);
    EXPECT_NE(controls[2].text.find("Kinemo project"), std::string::npos);
    EXPECT_NE(controls[2].text.find('@'), std::string::npos);
}

std::vector<uint8_t> bmpFile(const std::string& name) {
    std::ifstream in(std::string(KINEMO_SOURCE_DIR) + "/res/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(DllResources, BitmapsAreTheDrawnFilesWithoutTheirFileHeader) {
    struct Case {
        uint32_t id;
        const char* file;
        uint16_t language;
        size_t size;
        int32_t width, height;
    };
    const Case cases[] = {
        {400, "icon.bmp", kUsEnglish, 2088, 32, 32},
        {401, "icon.bmp", kUsEnglish, 2088, 32, 32},
        {101, "logo.bmp", kUkEnglish, 12544, 161, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto& e = entry(kBitmap, c.id);
        const auto& d = e.data;
        EXPECT_EQ(e.language, c.language);
        ASSERT_EQ(d.size(), c.size);
        EXPECT_EQ(u32At(d, 0), 40u);
        EXPECT_EQ(static_cast<int32_t>(u32At(d, 4)), c.width);
        EXPECT_EQ(static_cast<int32_t>(u32At(d, 8)), c.height);
        EXPECT_EQ(u16At(d, 12), 1);  // planes
        EXPECT_EQ(u16At(d, 14), 8);  // bits per pixel
        EXPECT_EQ(u32At(d, 16), 0u);  // uncompressed
        EXPECT_EQ(40 + 1024 + ((c.width + 3) & ~3) * c.height, static_cast<int32_t>(c.size));
        const auto file = bmpFile(c.file);
        ASSERT_EQ(file.size(), 14 + c.size) << c.file;
        EXPECT_TRUE(std::equal(d.begin(), d.end(), file.begin() + 14)) << c.file;
    }
}

TEST_F(DllResources, VersionBlockAndHostData) {
    const pe::VersionInfo v = pe::parseVersionInfo(entry(pe::kResourceVersion, 1).data);
    EXPECT_EQ(v.fileVersion, (std::array<uint16_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(v.productVersion, (std::array<uint16_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(v.stringTableKey, "040904E4");
    EXPECT_EQ(v.translations, (std::vector<uint32_t>{0x04E40409}));
    const std::map<std::string, std::string> exact = {
        {"FileVersion", "2.00"}, {"ProductVersion", "1, 0, 0, 0"}, {"ProductName", "Kinemo Object"},
        {"InternalName", "kinemo.qlm"}, {"OriginalFilename", "kinemo.qlm"},
        {"Comments", ""}, {"LegalTrademarks", ""}, {"PrivateBuild", ""}, {"SpecialBuild", ""},
    };
    for (const auto& [key, value] : exact) {
        const std::string* got = v.value(key);
        ASSERT_NE(got, nullptr) << key;
        EXPECT_EQ(*got, value) << key;
    }
    for (const char* key : {"CompanyName", "FileDescription", "LegalCopyright"}) {
        const std::string* got = v.value(key);
        ASSERT_NE(got, nullptr) << key;
        EXPECT_NE(got->find("Kinemo"), std::string::npos) << key;
    }

    EXPECT_EQ(entry(kData, 200).data, (std::vector<uint8_t>{0x16, 0x25, 0x08, 0x59}));
}

}  // namespace
