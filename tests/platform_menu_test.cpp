// The menu stand-ins: the by-command search order, the Win32 answers for
// popups and separators.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/resource_ids.h"
#include "standins/resource_table.h"
#include "standins/standin.h"
#include "platform/winapi.h"

namespace {

struct PlatformMenu : ::testing::Test {
    void SetUp() override { standin::reset(); }
    void TearDown() override { standin::reset(); }
};

// By command the search goes depth first and separators count; by position
// it stays in one menu. A size of 0 asks for the length.
TEST_F(PlatformMenu, MenuStringsAreFoundInOrderAndCutToTheBuffer) {
    struct Case { uint32_t templateId, item; UINT flags; int size, result; std::string text; };  // was "untouched"
    const Case cases[] = {
        {KINEMO_MENU_ACTIONS, 25000, MF_BYCOMMAND, 80, 0, ""},  // the Position separator comes before "Set Angle"
        {KINEMO_MENU_ACTIONS, 25002, MF_BYCOMMAND, 80, 10, "Set Object"},
        {KINEMO_MENU_ACTIONS, 25014, MF_BYCOMMAND, 80, 23, "Set Angle Towards Point"},
        {KINEMO_MENU_ACTIONS, 25029, MF_BYCOMMAND, 80, 0, "untouched"},
        {KINEMO_MENU_EXPRESSIONS, 27010, MF_BYCOMMAND, 80, 0, ""},  // separator ahead of "Get Kinemo Speed"
        {KINEMO_MENU_CONDITIONS, 0, MF_BYCOMMAND, 80, 0, "untouched"},  // popup items never match by command
        // a label that does not fit fills the buffer, unterminated (as in Wine)
        {KINEMO_MENU_EXPRESSIONS, 27130, MF_BYCOMMAND, 9, 8, "Distance "}, {KINEMO_MENU_EXPRESSIONS, 27130, MF_BYCOMMAND, 1, 0, "Dntouched"},
        {KINEMO_MENU_EXPRESSIONS, 27130, MF_BYCOMMAND, 0, 27, "untouched"},
        {KINEMO_MENU_EXPRESSIONS, 16, MF_BYPOSITION, 80, 8, "Advanced"}, {KINEMO_MENU_EXPRESSIONS, 17, MF_BYPOSITION, 80, 0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.templateId << " " << c.item << " size " << c.size);
        HMENU loaded = LoadMenuA(nativeModuleHandle(), MAKEINTRESOURCEA(c.templateId));
        HMENU menu = c.flags == MF_BYPOSITION ? GetSubMenu(loaded, 0) : loaded;
        char buffer[80] = "untouched";
        EXPECT_EQ(GetMenuStringA(menu, c.item, buffer, c.size, c.flags), c.result);
        EXPECT_EQ(std::string(buffer), c.text);
        DestroyMenu(loaded);
    }
    EXPECT_EQ(standin::counts().liveMenus, 0);
}

// As Windows' conformance record has it: separators keep their id and read
// greyed and disabled, a text item without text is a separator but one with
// empty text is not, a popup gives -1 as its id and keeps its handle instead.
TEST_F(PlatformMenu, ItemIdsAndStatesAnswerAsWindowsDoes) {
    const uint32_t menu = standin::createPopupMenu();
    const uint32_t sub = standin::createPopupMenu();
    ASSERT_TRUE(standin::appendMenu(sub, MF_STRING, 7, "a"));
    ASSERT_TRUE(standin::appendMenu(sub, MF_STRING, 8, "b"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_STRING | MF_CHECKED | MF_GRAYED, 5, "checked"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_SEPARATOR, 25002, "ignored"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_SEPARATOR, 0, ""));
    ASSERT_TRUE(standin::appendMenu(menu, MF_POPUP | MF_DISABLED, sub, "Sub"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_GRAYED, 8, "outer"));
    ASSERT_TRUE(standin::appendMenu(menu, MF_STRING, 6, nullptr));
    ASSERT_TRUE(standin::appendMenu(menu, MF_STRING, 9, ""));
    const uint32_t sep = MF_SEPARATOR | MF_GRAYED | MF_DISABLED;
    const auto native = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nativeModuleHandle()));
    const uint32_t loaded = standin::loadMenu(native, KINEMO_MENU_ACTIONS);
    const uint32_t actions = standin::subMenu(loaded, 0);
    struct Case { uint32_t menu; int pos; uint32_t id, state; std::string label; };
    const Case cases[] = {
        {menu, 0, 5, MF_CHECKED | MF_GRAYED, "checked"}, {menu, 1, 25002, sep, ""}, {menu, 2, 0, sep, ""},
        {menu, 3, 0xFFFFFFFF, (2u << 8) | MF_POPUP | MF_DISABLED, "Sub"}, {menu, 4, 8, MF_GRAYED, "outer"},
        {menu, 5, 6, sep, ""}, {menu, 6, 9, 0, ""},
        {menu, 7, 0xFFFFFFFF, 0xFFFFFFFF, "-"}, {menu, -1, 0xFFFFFFFF, 0xFFFFFFFF, "-"},
        {actions, 3, 25002, sep, ""},  // from the template's empty label
        {actions, 4, 0xFFFFFFFF, (6u << 8) | MF_POPUP, "Position"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.menu << " " << c.pos);
        EXPECT_EQ(standin::menuItemId(c.menu, c.pos), c.id);
        EXPECT_EQ(standin::menuState(c.menu, static_cast<uint32_t>(c.pos), MF_BYPOSITION), c.state);
        EXPECT_EQ(standin::menuString(c.menu, static_cast<uint32_t>(c.pos), MF_BYPOSITION).value_or("-"), c.label);
    }
    EXPECT_EQ(standin::subMenu(menu, 3), sub);
    EXPECT_EQ(standin::subMenu(menu, 0), 0u);
    EXPECT_EQ(standin::menuItems(menu)->at(3).id, sub);
    EXPECT_EQ(standin::menuItems(actions)->at(4).id, standin::subMenu(actions, 4));
    // By command, the popup's item comes before the same id later at the top;
    // a popup's handle finds it only as the last resort.
    EXPECT_EQ(standin::menuState(menu, 8, MF_BYCOMMAND), 0u);
    EXPECT_EQ(standin::menuString(menu, 8, MF_BYCOMMAND).value_or("-"), "b");
    EXPECT_EQ(standin::menuString(menu, sub, MF_BYCOMMAND).value_or("-"), "Sub");
    standin::destroyMenu(loaded);
}

}  // namespace
