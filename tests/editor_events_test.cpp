// What the event editor reads: descriptor rows, codes from menu commands,
// titles, display strings and the popup menus.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/host_structs.h"
#include "platform/standin.h"
#include "platform/winapi.h"
#include "support/drivers.h"

using kdrv::Addr;
using standin::Op;

namespace {

using Version = std::optional<uint32_t>;  // none: null callback slot
const std::string kUntouched(79, '#');

Addr newServices(kdrv::Module& m, Version version = 0x01050000) {
    const Addr s = m.alloc(sizeof(HostEditServices));
    if (version)
        m.view<HostEditServices>(s)->getHostVersion =
            m.callback(kdrv::CallbackKind::HostVersion, [v = *version](auto) { return v; });
    return s;
}

int held() {
    const standin::Counts c = standin::counts();
    return c.liveMenus + c.loadedResources + c.lockedResources + c.liveAllocations;
}

// One word an item: c command, p popup, s and the id for a separator.
std::string shapeOf(uint32_t menu) {
    std::string shape;
    for (const standin::MenuItem& item : standin::menuItems(menu).value_or(std::vector<standin::MenuItem>{}))
        shape += (item.flags & MF_SEPARATOR) ? "s" + std::to_string(item.id) + " " : (item.flags & MF_POPUP) ? "p " : "c ";
    return shape;
}

}  // namespace

TEST_P(ModuleTest, InfosPointAtTheCodeWordWithIdsJustBefore) {
    struct Case { const char* entry; uint32_t code; std::vector<int16_t> row; };  // from menuId on
    const Case cases[] = {
        {"GetActionInfos", 7, {25007, 5007, 7, 0, 2, 22, 22, 0, 0}}, {"GetActionInfos", 16, {25016, 5016, 16, 0, 0}},
        {"GetActionInfos", 23, {25023, 5023, 23, 0, 2, 22, 1, 0, 0}}, {"GetConditionInfos", 0, {26000, 6000, 0, 0x200, 0}},
        {"GetExpressionInfos", 14, {27140, 7140, 14, 2, 4, 1, 1, 1, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const uint8_t* code = m().bytes(m().call(c.entry, {newServices(m()), c.code}));
        ASSERT_NE(code, nullptr) << c.entry;
        std::vector<int16_t> row(c.row.size());
        std::memcpy(row.data(), code - 4, row.size() * 2);  // host views are contiguous, references are not
        EXPECT_EQ(row, c.row) << c.entry << " " << c.code;
    }
}

TEST_P(ModuleTest, CodeFromMenuCommand) {
    struct Case { const char* entry; uint32_t menuId; int16_t code; };
    const Case cases[] = {
        {"GetActionCodeFromMenu", 25028, 28}, {"GetActionCodeFromMenu", 25029, -1},
        {"GetActionCodeFromMenu", 26000, -1}, {"GetActionCodeFromMenu", 25002, 2},
        {"GetActionCodeFromMenu", 25000, 0},  {"GetActionCodeFromMenu", 0x10000 + 25028, 28},
        {"GetConditionCodeFromMenu", 26000, 0}, {"GetConditionCodeFromMenu", 25000, -1},
        {"GetExpressionCodeFromMenu", 27140, 14}, {"GetExpressionCodeFromMenu", 27145, -1},
        {"GetExpressionCodeFromMenu", 27010, 1},  {"GetExpressionCodeFromMenu", 25000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int16_t>(m().call(c.entry, {newServices(m()), c.menuId})), c.code)
            << c.entry << " " << c.menuId;
}

// Titles and display strings: cut at size - 1, or the buffer left alone.
TEST_P(ModuleTest, TitlesAndDisplayStrings) {
    struct Case {
        const char* entry;
        std::vector<uint32_t> args;  // between the services record and the buffer
        uint32_t size;
        const char* text;  // null: untouched
        Version version = 0x01050000;
        bool noTemplate = false;
    };
    const Case cases[] = {
        {"GetActionTitle", {23, 1}, 64, "Move Towards (object)"},
        {"GetActionTitle", {2, 0}, 64, "Set Object"},  // ahead of the separator sharing its id
        {"GetActionTitle", {0, 0}, 64, ""},            // a separator in "Position" comes first
        {"GetActionTitle", {7, 2}, 64, ""},            // no third parameter
        {"GetActionTitle", {23, 0}, 5, "Move"},
        {"GetActionTitle", {23, 0}, 8, nullptr, 0x01050000, true},
        {"GetConditionTitle", {0, 0}, 64, ""},
        {"GetExpressionTitle", {13}, 64, "Distance between Two Points"},
        {"GetExpressionTitle", {10}, 64, ""},
        {"GetActionString", {12}, 64, "Set Kinemo Towards %0"},
        {"GetActionString", {12}, 64, "Set Kinemo Towards %0", 0xFFFF0000},
        {"GetActionString", {12}, 64, nullptr, 0x0104FFFF},
        {"GetActionString", {12}, 64, nullptr, 0x00000105},
        {"GetActionString", {12}, 64, nullptr, std::nullopt},
        {"GetActionString", {3}, 8, "Set Gra"},
        {"GetActionString", {28}, 64, "Rotate %0\xB0 towards %1\xB0"},
        {"GetConditionString", {0}, 64, "Is Paused"},
        {"GetExpressionString", {10}, 64, "GetBounceCoe("},
        {"GetExpressionString", {10}, 64, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " " + std::to_string(c.args[0]));
        standin::reset();
        if (c.noTemplate) standin::failCall(Op::LoadMenu);
        const Addr buf = m().alloc(80);
        std::memcpy(m().bytes(buf), kUntouched.c_str(), 80);
        const Addr services = newServices(m(), c.version);
        if (c.args.size() == 2) m().call(c.entry, {services, c.args[0], c.args[1], buf, c.size});
        else m().call(c.entry, {services, c.args[0], buf, c.size});
        EXPECT_EQ(m().cString(buf), c.text ? c.text : kUntouched);
        EXPECT_EQ(m().bytes(buf)[c.size], '#');
        EXPECT_EQ(held(), 0);
    }
}

// Whatever fails part way, the module keeps nothing: the template is
// destroyed, label buffers freed, an unattached popup destroyed.
TEST_P(ModuleTest, MenuShapes) {
    struct Case {
        const char* entry;
        std::vector<int> path;
        const char* shape;
        Version version = 0x01050000;
        std::optional<Op> failing = std::nullopt;
        int nth = 1;
    };
    const char* const kActions = "c c c s25002 p p p p p s25000 c c ";
    const char* const kActionsWithoutPosition = "c c c s25002 p p p p s25000 c c ";
    const Case cases[] = {
        {"GetConditionMenu", {}, "c "},
        {"GetActionMenu", {}, kActions},
        {"GetActionMenu", {6}, "c c c s25000 c c s25000 c c "},  // Speed
        {"GetExpressionMenu", {}, "c c s27010 c s27010 c c c c c s27010 c c s27010 c s25000 p "},
        {"GetExpressionMenu", {16}, "c c s27010 c c "},  // Advanced
        {"GetActionMenu", {}, "none", std::nullopt},
        {"GetExpressionMenu", {}, "none", 0x00000105},
        {"GetConditionMenu", {}, "none", 0x0104FFFF},
        {"GetActionMenu", {}, "none", 0x01050000, Op::LoadMenu},
        {"GetActionMenu", {}, "none", 0x01050000, Op::CreatePopupMenu},
        {"GetActionMenu", {}, "", 0x01050000, Op::LocalAlloc},
        {"GetActionMenu", {}, kActionsWithoutPosition, 0x01050000, Op::CreatePopupMenu, 2},
        {"GetActionMenu", {}, kActionsWithoutPosition, 0x01050000, Op::AppendMenu, 5},
        {"GetActionMenu", {4}, "", 0x01050000, Op::LocalAlloc, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " depth " + std::to_string(c.path.size()) + " failing " +
                     std::to_string(c.failing ? static_cast<int>(*c.failing) : -1) + " #" + std::to_string(c.nth));
        standin::reset();
        if (c.failing) standin::failCall(*c.failing, c.nth);
        const uint32_t menu = m().call(c.entry, {newServices(m(), c.version), 0, 0});
        uint32_t shown = menu;
        for (int pos : c.path) shown = standin::subMenu(shown, pos);
        EXPECT_EQ(menu == 0 ? "none" : shapeOf(shown), c.shape);
        standin::destroyMenu(menu);
        EXPECT_EQ(held(), 0);
    }
}

// Each call copies its template afresh, item for item, into a menu of its own.
TEST_P(ModuleTest, MenusAreFreshCopiesOfTheirTemplates) {
    struct Case { const char* entry; uint32_t templateId; };
    const Case cases[] = {{"GetActionMenu", 20000}, {"GetConditionMenu", 20001}, {"GetExpressionMenu", 20002}};
    standin::reset();
    m().call("EditorDisplay", {newServices(m()), 0, 0, 0, m().alloc(16)});  // the library sees our handle
    const uint32_t module = standin::orvexCalls().at(3).args.at(0);
    for (const Case& c : cases) {
        const uint32_t loaded = standin::loadMenu(module, c.templateId);
        const std::string expected = standin::describeMenu(standin::subMenu(loaded, 0));
        standin::destroyMenu(loaded);
        const uint32_t first = m().call(c.entry, {newServices(m()), 0, 0});
        const uint32_t second = m().call(c.entry, {newServices(m()), 0, 0});
        EXPECT_EQ(standin::describeMenu(first), expected) << c.entry;
        standin::destroyMenu(first);
        EXPECT_EQ(standin::describeMenu(second), expected) << c.entry;
        standin::destroyMenu(second);
        EXPECT_EQ(held(), 0);
    }
}
