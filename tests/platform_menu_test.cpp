// The menu stand-ins: templates as LoadMenu reads them, the by-command search
// order, the Win32 answers for popups and separators, and nothing left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/native_module.h"
#include "platform/resource_table.h"
#include "platform/standin.h"
#include "platform/winapi.h"

namespace {

constexpr uint32_t kTestModule = 0x7E000000;
constexpr uint16_t kEnd = 0x80;

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u16(uint16_t v) {
        b.push_back(v & 0xFF);
        b.push_back(v >> 8);
        return *this;
    }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& text(const std::string& s) {
        for (unsigned char c : s) u16(c);
        return u16(0);
    }
    Bytes& align4() {
        while (b.size() % 4) b.push_back(0);
        return *this;
    }
};

// An extended item: type, state, id, resource info, label, padding.
Bytes& exItem(Bytes& t, uint32_t type, uint32_t id, uint16_t info, const std::string& label) {
    t.u32(type).u32(0).u32(id).u16(info).text(label).align4();
    if (info & 1) t.u32(0);  // help id of a popup
    return t;
}

uint32_t loadTemplate(uint32_t id, std::vector<uint8_t> bytes) {
    platform::registerModuleResources(reinterpret_cast<HINSTANCE>(uintptr_t{kTestModule}),
                                      {{4, id, 1033, std::move(bytes)}});
    return standin::loadMenu(kTestModule, id);
}

uint32_t nativeModule() { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nativeModuleHandle())); }

class PlatformMenu : public ::testing::Test {
protected:
    void SetUp() override { standin::reset(); }
    void TearDown() override { standin::reset(); }
};

TEST_F(PlatformMenu, TemplatesParseIntoTheSameTreeOrFailWithoutLeaks) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string tree;  // empty: the template must be refused
    };
    Bytes plain;
    plain.u16(0).u16(0)
        .u16(MF_POPUP | kEnd).text("")
        .u16(0).u16(101).text("One")
        .u16(MF_SEPARATOR).u16(102).text("")        // separator that keeps its id
        .u16(0).u16(0).text("")                     // classic separator
        .u16(MF_GRAYED).u16(103).text("Grey")
        .u16(MF_POPUP | kEnd).text("Sub")
        .u16(kEnd).u16(104).text("Deep");
    Bytes ex;
    ex.u16(1).u16(4).u32(0);
    exItem(ex, 0, 0, 1 | kEnd, "");
    exItem(ex, 0, 201, 0, "One");
    exItem(ex, MF_SEPARATOR, 202, 0, "");
    exItem(ex, 0, 0, 1, "Sub");
    exItem(ex, 0, 203, kEnd, "Deep");
    exItem(ex, 0, 204, kEnd, "Last");
    Bytes noEnd;
    noEnd.u16(0).u16(0).u16(MF_POPUP | kEnd).text("").u16(0).u16(101).text("One");
    Bytes cut;
    cut.u16(0).u16(0).u16(MF_POPUP | kEnd).text("").u16(kEnd).u16(101);
    Bytes exCut;
    exCut.u16(1).u16(4).u32(0);
    exItem(exCut, 0, 0, 1 | kEnd, "");
    exCut.u32(0);
    Bytes badVersion;
    badVersion.u16(2).u16(0).u16(kEnd).u16(1).text("x");

    const Case cases[] = {
        {"plain", plain.b,
         "> \"\"\n  \"One\" 101\n  ---- 102\n  ---- 0\n  \"Grey\" 103 +0x1\n  > \"Sub\"\n    \"Deep\" 104\n"},
        {"extended", ex.b, "> \"\"\n  \"One\" 201\n  ---- 202\n  > \"Sub\"\n    \"Deep\" 203\n  \"Last\" 204\n"},
        {"no end flag", noEnd.b, ""},
        {"truncated item", cut.b, ""},
        {"truncated extended", exCut.b, ""},
        {"unknown version", badVersion.b, ""},
    };
    uint32_t id = 900;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t menu = loadTemplate(++id, c.bytes);
        if (c.tree.empty()) {
            EXPECT_EQ(menu, 0u);
        } else {
            ASSERT_NE(menu, 0u);
            EXPECT_EQ(standin::describeMenu(menu), c.tree);
            EXPECT_TRUE(standin::destroyMenu(menu));
        }
        EXPECT_EQ(standin::counts().liveMenus, 0);
    }
}

TEST_F(PlatformMenu, ByCommandSearchIsDepthFirstAndSeparatorsCount) {
    struct Case {
        uint32_t templateId;
        uint32_t id;
        bool found;
        std::string label;
    };
    const Case cases[] = {
        {20000, 25000, true, ""},  // the Position separator comes before "Set Angle"
        {20000, 25002, true, "Set Object"},
        {20000, 25014, true, "Set Angle Towards Point"},
        {20000, 25029, false, ""},
        {20002, 27010, true, ""},  // separator ahead of "Get Kinemo Speed"
        {20001, 0, false, ""},     // popup items never match by command
    };
    // An id inside an earlier popup wins over the same id later at the top.
    const uint32_t top = standin::createPopupMenu();
    const uint32_t inner = standin::createPopupMenu();
    standin::appendMenu(inner, MF_STRING, 5, "inner");
    standin::appendMenu(top, MF_POPUP, inner, "A");
    standin::appendMenu(top, MF_STRING, 5, "outer");
    EXPECT_EQ(standin::menuString(top, 5, MF_BYCOMMAND).value_or("-"), "inner");
    standin::destroyMenu(top);

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.templateId << " " << c.id);
        const uint32_t menu = standin::loadMenu(nativeModule(), c.templateId);
        ASSERT_NE(menu, 0u);
        const auto label = standin::menuString(menu, c.id, MF_BYCOMMAND);
        EXPECT_EQ(label.has_value(), c.found);
        if (label) {
            EXPECT_EQ(*label, c.label);
        }
        standin::destroyMenu(menu);
    }
    EXPECT_EQ(standin::counts().liveMenus, 0);
}

TEST_F(PlatformMenu, MenuStringIsCutToTheBuffer) {
    HMENU loaded = LoadMenuA(nativeModuleHandle(), MAKEINTRESOURCEA(20002));
    HMENU h = GetSubMenu(loaded, 0);
    struct Case {
        uint32_t item;
        UINT flags;
        int size;
        int result;
        std::string text;  // buffer afterwards (starts as "untouched")
    };
    const Case cases[] = {
        {27130, MF_BYCOMMAND, 9, 8, "Distance"},
        {27130, MF_BYCOMMAND, 1, 0, ""},
        {27130, MF_BYCOMMAND, 0, 27, "untouched"},  // size 0 asks for the length
        {99999, MF_BYCOMMAND, 80, 0, "untouched"},
        {16, MF_BYPOSITION, 80, 8, "Advanced"},
        {17, MF_BYPOSITION, 80, 0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.item << " size " << c.size);
        char buffer[80] = "untouched";
        EXPECT_EQ(GetMenuStringA(h, c.item, buffer, c.size, c.flags), c.result);
        EXPECT_EQ(std::string(buffer), c.text);
    }
    DestroyMenu(loaded);
}

TEST_F(PlatformMenu, ItemIdsAndStatesAnswerAsWindowsDoes) {
    const uint32_t menu = standin::createPopupMenu();
    const uint32_t sub = standin::createPopupMenu();
    ASSERT_TRUE(standin::appendMenu(sub, MF_STRING, 7, "a"));
    ASSERT_TRUE(standin::appendMenu(sub, MF_STRING, 8, "b"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_STRING | MF_CHECKED | MF_GRAYED, 5, "checked"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_SEPARATOR, 25002, "ignored"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_SEPARATOR, 0, ""));
    ASSERT_TRUE(standin::appendMenu(menu, MF_POPUP | MF_DISABLED, sub, "Sub"));
    struct Case {
        int pos;
        uint32_t id;
        uint32_t state;
        std::string label;
    };
    const Case cases[] = {
        {0, 5, MF_CHECKED | MF_GRAYED, "checked"},
        {1, 25002, MF_SEPARATOR, ""},
        {2, 0, MF_SEPARATOR, ""},
        {3, 0xFFFFFFFF, (2u << 8) | MF_POPUP | MF_DISABLED, "Sub"},
        {4, 0xFFFFFFFF, 0xFFFFFFFF, "-"},
        {-1, 0xFFFFFFFF, 0xFFFFFFFF, "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pos);
        EXPECT_EQ(standin::menuItemId(menu, c.pos), c.id);
        EXPECT_EQ(standin::menuState(menu, static_cast<uint32_t>(c.pos), MF_BYPOSITION), c.state);
        EXPECT_EQ(standin::menuString(menu, static_cast<uint32_t>(c.pos), MF_BYPOSITION).value_or("-"), c.label);
    }
    EXPECT_EQ(standin::subMenu(menu, 3), sub);
    EXPECT_EQ(standin::subMenu(menu, 0), 0u);
    EXPECT_EQ(standin::menuState(menu, 8, MF_BYCOMMAND), 0u);  // found inside the popup
}

TEST_F(PlatformMenu, DestroyingAMenuTakesItsPopupsAndLeavesOthers) {
    const uint32_t loaded = standin::loadMenu(nativeModule(), 20000);
    const uint32_t other = standin::createPopupMenu();
    EXPECT_EQ(standin::counts().liveMenus, 1 + 1 + 5 + 1);  // bar, top popup, five submenus, other
    const uint32_t top = standin::subMenu(loaded, 0);
    EXPECT_EQ(standin::menuItemCount(top), 12);

    EXPECT_TRUE(standin::destroyMenu(loaded));
    EXPECT_EQ(standin::counts().liveMenus, 1);
    EXPECT_FALSE(standin::menuIsLive(top));
    EXPECT_EQ(standin::menuItemCount(top), -1);
    EXPECT_FALSE(standin::destroyMenu(loaded));
    EXPECT_FALSE(standin::appendMenu(other, MF_POPUP, top, "gone"));  // a dead submenu is refused
    EXPECT_TRUE(standin::menuIsLive(other));
}

TEST_F(PlatformMenu, InjectedFailuresHitOnlyTheChosenCall) {
    standin::failCall(standin::Op::CreatePopupMenu, 2);
    EXPECT_NE(standin::createPopupMenu(), 0u);
    EXPECT_EQ(standin::createPopupMenu(), 0u);
    EXPECT_NE(standin::createPopupMenu(), 0u);
}

}  // namespace
