// The validator's checks must find faults: pure checks on crafted data, and
// the whole battery against the native module with one fault injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "standins/standin.h"
#include "validate/validate.h"

using kinemo::RunData;

using namespace kvalidate;

namespace {

// `want` is a substring of the only problem, or null when there must be none.
void expectProblem(const std::vector<std::string>& problems, const char* want, const char* name) {
    if (want == nullptr) {
        EXPECT_TRUE(problems.empty()) << name << ": " << problems.front();
        return;
    }
    ASSERT_EQ(problems.size(), 1u) << name;
    EXPECT_NE(problems[0].find(want), std::string::npos) << name << ": " << problems[0];
}

std::vector<uint8_t> written(const std::string& text, size_t size, size_t canaryHit = 0) {
    std::vector<uint8_t> b(size + kCanaryBytes, kCanaryByte);
    std::fill_n(b.begin(), size, 'x');
    std::copy(text.begin(), text.end(), b.begin());
    if (canaryHit != 0) b[canaryHit] = 0;
    return b;
}

TEST(ValidateText, FindsBadWrites) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t size;
        std::optional<std::string> expected;
        const char* problem;
    };
    const std::string zero("\0", 1);
    const Case cases[] = {
        {"cut to size - 1", written("Set" + zero, 4), 4, "Set Gravity", nullptr},
        {"whole text with room to spare", written("Set Angle" + zero, 20), 20, "Set Angle", nullptr},
        {"size 1 gives an empty text", written(zero, 1), 1, "Set Angle", nullptr},
        {"cut short", written("Set" + zero, 6), 6, "Set Gravity", "gave \"Set\", expected \"Set G\""},
        {"no zero", written("Set ", 4), 4, "Set Gravity", "no terminating zero"},
        {"zero written past the buffer", written("Set" + zero, 4, 4), 4, "Set Gravity", "wrote past the buffer (byte 4)"},
        {"last canary byte", written("S" + zero, 2, 2 + kCanaryBytes - 1), 2, "Set", "wrote past the buffer"},
        {"untouched as it must be", written("", 8), 8, std::nullopt, nullptr},
        {"written behind a failed gate", written(zero, 8), 8, std::nullopt, "must leave untouched (byte 0)"},
    };
    for (const Case& c : cases) {
        const auto problem = textProblem(c.bytes, c.size, 'x', c.expected);
        expectProblem(problem ? std::vector<std::string>{*problem} : std::vector<std::string>{}, c.problem, c.name);
    }
}

TEST(ValidateMenus, EveryCommandOnExactlyOneSelectableItem) {
    const std::vector<Row> rows{{100, 10, 0, 0, {}, {}}, {101, 11, 1, 0, {}, {}}};
    const std::vector<MenuEntry> good{{"First", 100, false, false, false, 0},
                                      {"", 101, true, false, false, 0},  // a separator carrying an id
                                      {"Group", 0, false, true, false, 0},
                                      {"Second", 101, false, false, false, 1}};
    const std::tuple<const char*, std::function<void(std::vector<MenuEntry>&)>, const char*> cases[] = {
        {"as shown", [](auto&) {}, nullptr},
        {"twice selectable", [](auto& m) { m.push_back({"Again", 100, false, false, false, 0}); }, "100 (code 0) is on 2"},
        {"only on a separator", [](auto& m) { m.pop_back(); }, "101 (code 1) is on 0"},
        {"a stray command", [](auto& m) { m.push_back({"Stray", 102, false, false, false, 1}); }, "command id 102, which no row"},
        {"a greyed item", [](auto& m) { m[0].marked = true; }, "\"First\" is checked, greyed or disabled"},
    };
    for (const auto& [name, change, problem] : cases) {
        std::vector<MenuEntry> menu = good;
        change(menu);
        expectProblem(menuProblems(menu, rows), problem, name);
    }
}

TEST(ValidateRows, FindsRowsOffTheirScheme) {
    const FamilyFacts& expressions = kFamilies[2];
    const std::tuple<const char*, std::function<void(Row&)>, const char*> cases[] = {
        {"as registered", [](Row&) {}, nullptr},
        {"code off its index", [](Row& r) { r.code = 4; }, "expression 3: code 4"},
        {"menu id", [](Row& r) { r.menuId = 27031; }, "menu id 27031"},
        {"string id", [](Row& r) { r.stringId = 7031; }, "string id 7031"},
        {"integer result flags", [](Row& r) { r.flags = 0; }, "flags 0"},
        {"an action's parameter type", [](Row& r) { r.types[1] = 22; }, "parameter type 22"},
        {"a title of its own", [](Row& r) { r.titles[0] = 7030; }, "parameter title id 7030"},
    };
    for (const auto& [name, change, problem] : cases) {
        std::vector<Row> rows;
        for (int16_t k = 0; k < expressions.count; ++k)
            rows.push_back(Row{int16_t(KINEMO_EXPRESSION_MENU_BASE + KINEMO_EXPRESSION_STEP * k),
                                   int16_t(KINEMO_EXPRESSION_STRING_BASE + KINEMO_EXPRESSION_STEP * k), k, 2, {1, 1}, {0, 0}});
        change(rows[3]);
        expectProblem(rowProblems(expressions, rows), problem, name);
    }
}

// The native module behind a host that sees one fault the module might have.
using Fault = std::function<void(kdrv::Module& m, std::string_view name, const std::vector<uint32_t>& args, uint32_t& result)>;

class FaultyModule final : public kdrv::Module {
public:
    explicit FaultyModule(Fault fault) : inner_(kdrv::openNative()), fault_(std::move(fault)) {}
    std::string_view kind() const override { return "native with a fault"; }
    kdrv::Addr alloc(uint32_t size) override { return inner_->alloc(size); }
    uint8_t* bytes(kdrv::Addr addr) override { return inner_->bytes(addr); }
    using kdrv::Module::call;
    using kdrv::Module::callRoutine;
    uint32_t call(std::string_view name, std::span<const uint32_t> args) override {
        uint32_t result = inner_->call(name, args);
        fault_(*inner_, name, std::vector<uint32_t>(args.begin(), args.end()), result);
        return result;
    }
    uint32_t callRoutine(kdrv::RoutineKind kind, kdrv::Addr routine, std::span<const uint32_t> args) override {
        return inner_->callRoutine(kind, routine, args);
    }
    std::vector<kdrv::Addr> routineTable(kdrv::RoutineKind kind, kdrv::Addr table) override {
        return inner_->routineTable(kind, table);
    }
    kdrv::Addr callback(kdrv::CallbackKind kind, kdrv::Callback fn) override { return inner_->callback(kind, std::move(fn)); }

private:
    std::unique_ptr<kdrv::Module> inner_;
    Fault fault_;
};

TEST(ValidateBattery, EachInjectedFaultFailsItsCheck) {
    const std::tuple<const char*, Fault, const char*> cases[] = {
        {"none", [](auto&, auto, auto&, auto&) {}, nullptr},
        {"GetInfos answers 769",
         [](auto&, std::string_view n, auto& a, uint32_t& r) { if (n == "GetInfos" && a[0] == 0) r = 769; },
         "information query GetInfos"},
        {"byte 23 of the registration record written",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetRunObjectInfos") m.bytes(a[1])[23] = 0; },
         "registration values"},
        {"a display string one byte too long",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetActionString") m.bytes(a[2])[a[3] & 0xFFFF] = 0; },
         "GetActionString at every buffer size"},
        {"the version gate ignored",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetExpressionString") m.bytes(a[2])[0] = 0; },
         "GetExpressionString leaves the buffer alone for an old or unknown host"},
        {"a menu leaked next to the one returned",
         [](auto&, std::string_view n, auto&, auto&) { if (n == "GetActionMenu") standin::createPopupMenu(); },
         "GetActionMenu: fresh menus, nothing else kept"},
        {"a command on a second item",
         [](auto&, std::string_view n, auto&, uint32_t& r) {
             if (n == "GetConditionMenu" && r != 0) standin::appendMenu(r, 0, KINEMO_CONDITION_MENU_BASE, "Again");
         },
         "condition menu: every command id on exactly one selectable item"},
        {"the step writes the unused bytes",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) {
             if (n == "HandleRunObject") m.bytes(a[0])[offsetof(RunData, reserved)] ^= 1;
         },
         "1000 random run-time calls (seed 1)"},
    };
    for (const auto& [fault, inject, failingCheck] : cases) {
        FaultyModule module(inject);
        std::ostringstream out;
        Report report(out);
        runBattery(module, report, 1, 1000);
        const auto& failed = report.failedChecks();
        if (failingCheck == nullptr) EXPECT_TRUE(failed.empty()) << fault << ":\n" << out.str();
        else EXPECT_NE(std::find(failed.begin(), failed.end(), failingCheck), failed.end()) << fault << ":\n" << out.str();
    }
}

}  // namespace
