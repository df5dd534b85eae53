// What the event editor reads: descriptor rows, codes from menu commands,
// titles, display strings and the popup menus.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "editor/descriptors.h"
#include "host/host_structs.h"
#include "host/resource_ids.h"
#include "standins/standin.h"
#include "platform/winapi.h"
#include "editor_builds.h"

using kinemo::HostEditServices;
using kinemo::namedParamCount;

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

// The host reads a record from its code word on, with the ids just before;
// a record's menu id leads back to its code, whatever the high half holds.
TEST_P(EditTimeTest, EventRecordsAndTheirMenuCommands) {
    struct Case { const char* kind; uint32_t code; std::vector<int16_t> row; };  // from menuId on
    const Case cases[] = {
        {"Action", 0, {KINEMO_ACTION_MENU_BASE, KINEMO_ACTION_STRING_BASE, 0, 0, 1, 22, 0}},
        {"Action", 23, {KINEMO_ACTION_MENU_BASE + 23, KINEMO_ACTION_STRING_BASE + 23, 23, 0, 2, 22, 1, 0, 0}},
        {"Condition", 0, {KINEMO_CONDITION_MENU_BASE, KINEMO_CONDITION_STRING_BASE, 0, 0x200, 0}},
        {"Expression", 14, {KINEMO_EXPRESSION_MENU_BASE + 140, KINEMO_EXPRESSION_STRING_BASE + 140, 14, 2, 4, 1, 1, 1, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.code);
        const uint8_t* code = m().bytes(m().call("Get" + std::string(c.kind) + "Infos", {newServices(m()), c.code}));
        ASSERT_NE(code, nullptr);
        std::vector<int16_t> row(c.row.size());
        std::memcpy(row.data(), code - 4, row.size() * 2);  // host views are contiguous, references are not
        EXPECT_EQ(row, c.row);
        for (const uint32_t high : {0u, 0x10000u}) {
            const uint32_t menuId = high + static_cast<uint16_t>(c.row[0]);
            const std::string entry = "Get" + std::string(c.kind) + "CodeFromMenu";
            EXPECT_EQ(static_cast<int16_t>(m().call(entry, {newServices(m()), menuId})), int16_t(c.code));
        }
    }
    // Past the last row: no code from a menu id, no record for a code.
    for (const auto& [entry, arg, none] : {std::tuple{"GetActionCodeFromMenu", 25029u, 0xFFFFu},
                                           {"GetConditionCodeFromMenu", 25000u, 0xFFFFu},
                                           {"GetExpressionCodeFromMenu", 27145u, 0xFFFFu},
                                           {"GetActionInfos", 29u, 0u}, {"GetConditionInfos", 1u, 0u},
                                           {"GetExpressionInfos", 15u, 0u}})
        EXPECT_EQ(m().call(entry, {newServices(m()), arg}), none) << entry;
}

// Titles and display strings: cut at size - 1, or the buffer left alone.
TEST_P(EditTimeTest, TitlesAndDisplayStrings) {
    // args go between the services record and the buffer; a null text: the buffer is untouched.
    struct Case { const char* entry; std::vector<uint32_t> args; uint32_t size; const char* text;
                  Version version = 0x01050000; bool noTemplate = false; };
    const Case cases[] = {
        {"GetActionTitle", {23, 1}, 64, "Move Towards (object)"}, {"GetActionTitle", {23, 0}, 5, "Move"},
        {"GetActionTitle", {0, 0}, 64, ""},  // a separator in "Position" comes first
        {"GetActionTitle", {7, 2}, 64, ""},  // no third parameter
        {"GetActionTitle", {28, 2}, 64, ""}, {"GetConditionTitle", {0, 0}, 64, ""},  // nor after the last row
        {"GetActionTitle", {23, 0}, 8, nullptr, 0x01050000, true},
        {"GetExpressionTitle", {13}, 64, "Distance between Two Points"}, {"GetConditionString", {0}, 64, "Is Paused"},
        {"GetActionString", {12}, 64, "Set Kinemo Towards %0"}, {"GetActionString", {3}, 8, "Set Gra"},
        // only the low 16 bits of a size count
        {"GetActionString", {3}, 0, nullptr}, {"GetActionString", {3}, 0x10000, nullptr},
        {"GetActionString", {3}, 0x10008, "Set Gra"}, {"GetActionTitle", {23, 0}, 0, nullptr},
        {"GetActionTitle", {23, 0}, 0x10000, nullptr}, {"GetExpressionTitle", {13}, 0x10005, "Dist"},
        {"GetConditionString", {0}, 0x10000, nullptr},
        {"GetActionString", {12}, 64, "Set Kinemo Towards %0", 0xFFFF0000},  // compared unsigned
        {"GetActionString", {12}, 64, nullptr, 0x0104FFFF}, {"GetActionString", {12}, 64, nullptr, 0x00000105},
        {"GetActionString", {12}, 64, nullptr, std::nullopt}, {"GetExpressionString", {10}, 64, "GetBounceCoe("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        if (c.noTemplate && !standin::kFailuresServed) continue;  // the real platform cannot be made to fail
        standin::reset();
        if (c.noTemplate) standin::failCall(Op::LoadMenu);
        const Addr buf = m().alloc(80);
        std::memcpy(m().bytes(buf), kUntouched.c_str(), 80);
        const Addr services = newServices(m(), c.version);
        if (c.args.size() == 2) m().call(c.entry, {services, c.args[0], c.args[1], buf, c.size});
        else m().call(c.entry, {services, c.args[0], buf, c.size});
        EXPECT_EQ(m().cString(buf), c.text ? c.text : kUntouched);
        EXPECT_EQ(m().bytes(buf)[c.size & 0xFFFF], '#');
        EXPECT_EQ(held(), 0);
    }
}

// Whatever fails part way, the module keeps nothing: the template is
// destroyed, label buffers freed, an unattached popup destroyed.
TEST_P(EditTimeTest, MenuShapes) {
    struct Case { const char* entry; std::vector<int> path; const char* shape; Version version = 0x01050000;
                  std::optional<Op> failing = std::nullopt; int nth = 1; };
    const char* const kWithoutPosition = "c c c s25002 p p p p s25000 c c ";
    const Case cases[] = {
        {"GetConditionMenu", {}, "c "},
        {"GetActionMenu", {}, "c c c s25002 p p p p p s25000 c c "},
        {"GetActionMenu", {6}, "c c c s25000 c c s25000 c c "},  // Speed
        {"GetExpressionMenu", {}, "c c s27010 c s27010 c c c c c s27010 c c s27010 c s25000 p "},
        {"GetActionMenu", {}, "none", std::nullopt}, {"GetExpressionMenu", {}, "none", 0x00000105},
        {"GetConditionMenu", {}, "none", 0x0104FFFF}, {"GetActionMenu", {}, "none", 0x01050000, Op::LoadMenu},
        {"GetActionMenu", {}, "none", 0x01050000, Op::CreatePopupMenu},
        {"GetActionMenu", {}, "", 0x01050000, Op::LocalAlloc},
        {"GetActionMenu", {}, kWithoutPosition, 0x01050000, Op::CreatePopupMenu, 2},
        {"GetActionMenu", {}, kWithoutPosition, 0x01050000, Op::AppendMenu, 5},
        {"GetActionMenu", {4}, "", 0x01050000, Op::LocalAlloc, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        if (c.failing && !standin::kFailuresServed) continue;
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

// The build refuses an event row whose display string names parameters the
// row does not declare; this is the count it goes by.
TEST(DescriptorRows, DisplayStringsNameTheirParameters) {
    const struct {
        const char* display;
        int named;
    } cases[] = {
        {"Wrap Mode", 0},      {"Set X to %0", 1}, {"Rotate %0\260 towards %1\260", 2},
        {"%1 before %0", 2},   {"%0px", 1},        {"100% or %", 0},
        {"%x", 0},             {"%9", 10},
    };
    for (const auto& c : cases) EXPECT_EQ(namedParamCount(c.display), c.named) << c.display;
}
