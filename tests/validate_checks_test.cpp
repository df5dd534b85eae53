// The validator's checks must find faults: pure checks on crafted data, and
// the whole battery against the native module with one fault injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "host/routines.h"
#include "kinemo-host/validate.h"
#include "standins/standin.h"

using namespace kvalidate;

namespace {

TEST(ValidateOptions, ParsesOrExplains) {
    struct Case {
        std::vector<std::string> args;
        const char* error;  // substring, or null when the arguments are fine
        std::string module;
        uint64_t seed;
        int calls;
    };
    const Case cases[] = {
        {{}, nullptr, "", 1, 5000},
        {{"--module", "x.qlm", "--seed", "7", "--calls", "20"}, nullptr, "x.qlm", 7, 20},
        {{"--calls=20", "--seed=7"}, nullptr, "", 7, 20},
        {{"--module"}, "needs a value", "", 1, 5000},
        {{"--module", ""}, "needs a value", "", 1, 5000},
        {{"--seed", "-3"}, "--seed \"-3\" is out of range", "", 1, 5000},
        {{"--calls", "12x"}, "--calls expects an integer, got \"12x\"", "", 1, 5000},
        {{"--calls", "99999999999"}, "--calls \"99999999999\" is out of range (0 to 100000000)", "", 1, 5000},
        {{"--verbose"}, "unknown option \"--verbose\"", "", 1, 5000},
    };
    for (const Case& c : cases) {
        Options o;
        auto error = parseOptions(c.args, o);
        if (c.error == nullptr) {
            ASSERT_FALSE(error) << *error;
            EXPECT_EQ(o.modulePath, c.module);
            EXPECT_EQ(o.seed, c.seed);
            EXPECT_EQ(o.randomCalls, c.calls);
        } else {
            ASSERT_TRUE(error) << c.error;
            EXPECT_NE(error->find(c.error), std::string::npos) << *error;
        }
    }
}

std::vector<uint8_t> written(const std::string& text, size_t size, uint8_t fill) {
    std::vector<uint8_t> b(size + kCanaryBytes, kCanaryByte);
    std::fill_n(b.begin(), size, fill);
    std::copy(text.begin(), text.end(), b.begin());
    return b;
}

TEST(ValidateText, FindsBadWrites) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t size;
        std::optional<std::string> expected;
        const char* problem;  // substring, or null
    };
    const std::string zero("\0", 1);
    std::vector<uint8_t> pastEnd = written("Set" + zero, 4, 'x');
    pastEnd[4] = 0;
    std::vector<uint8_t> lastCanaryByte = written("S" + zero, 2, 'x');
    lastCanaryByte[2 + kCanaryBytes - 1] = 0;
    const Case cases[] = {
        {"cut to size - 1", written("Set" + zero, 4, 'x'), 4, "Set Gravity", nullptr},
        {"whole text with room to spare", written("Set Angle" + zero, 20, 'x'), 20, "Set Angle", nullptr},
        {"size 1 gives an empty text", written(zero, 1, 'x'), 1, "Set Angle", nullptr},
        {"cut short", written("Set" + zero, 6, 'x'), 6, "Set Gravity", "gave \"Set\", expected \"Set G\""},
        {"no zero", written("Set ", 4, 'x'), 4, "Set Gravity", "no terminating zero"},
        {"zero written past the buffer", pastEnd, 4, "Set Gravity", "wrote past the buffer (byte 4)"},
        {"last canary byte", lastCanaryByte, 2, "Set", "wrote past the buffer"},
        {"untouched as it must be", written("", 8, 'x'), 8, std::nullopt, nullptr},
        {"written behind a failed gate", written(zero, 8, 'x'), 8, std::nullopt, "must leave untouched (byte 0)"},
    };
    for (const Case& c : cases) {
        auto problem = textProblem(c.bytes, c.size, 'x', c.expected);
        if (c.problem == nullptr) {
            EXPECT_FALSE(problem) << c.name << ": " << *problem;
        } else {
            ASSERT_TRUE(problem) << c.name;
            EXPECT_NE(problem->find(c.problem), std::string::npos) << c.name << ": " << *problem;
        }
    }
}

TEST(ValidateMenus, EveryCommandOnExactlyOneSelectableItem) {
    const std::vector<Row> rows{{100, 10, 0, 0, {}, {}}, {101, 11, 1, 0, {}, {}}};
    const std::vector<MenuEntry> good{
        {"First", 100, false, false, false, 0},
        {"", 101, true, false, false, 0},  // a separator carrying an id
        {"Group", 0, false, true, false, 0},
        {"Second", 101, false, false, false, 1},
    };
    struct Case {
        const char* name;
        std::function<void(std::vector<MenuEntry>&)> change;
        const char* problem;
    };
    const Case cases[] = {
        {"as shown", [](auto&) {}, nullptr},
        {"twice selectable", [](auto& m) { m.push_back({"Again", 100, false, false, false, 0}); }, "100 (code 0) is on 2"},
        {"only on a separator", [](auto& m) { m.pop_back(); }, "101 (code 1) is on 0"},
        {"a stray command", [](auto& m) { m.push_back({"Stray", 102, false, false, false, 1}); }, "command id 102, which no row"},
        {"a greyed item", [](auto& m) { m[0].marked = true; }, "\"First\" is checked, greyed or disabled"},
    };
    for (const Case& c : cases) {
        std::vector<MenuEntry> menu = good;
        c.change(menu);
        auto problems = menuProblems(menu, rows);
        if (c.problem == nullptr) {
            EXPECT_TRUE(problems.empty()) << c.name << ": " << problems.front();
        } else {
            ASSERT_EQ(problems.size(), 1u) << c.name;
            EXPECT_NE(problems[0].find(c.problem), std::string::npos) << c.name << ": " << problems[0];
        }
    }
}

TEST(ValidateRows, FindsRowsOffTheirScheme) {
    const FamilyFacts& expressions = families()[2];
    auto row = [](int k) { return Row{static_cast<int16_t>(27000 + 10 * k), static_cast<int16_t>(7000 + 10 * k),
                                      static_cast<int16_t>(k), 2, {1, 1}, {0, 0}}; };
    struct Case {
        const char* name;
        std::function<void(Row&)> change;
        const char* problem;
    };
    const Case cases[] = {
        {"as registered", [](Row&) {}, nullptr},
        {"code off its index", [](Row& r) { r.code = 4; }, "expression 3: code 4"},
        {"menu id", [](Row& r) { r.menuId = 27031; }, "menu id 27031"},
        {"string id", [](Row& r) { r.stringId = 7031; }, "string id 7031"},
        {"integer result flags", [](Row& r) { r.flags = 0; }, "flags 0"},
        {"an action's parameter type", [](Row& r) { r.types[1] = 22; }, "parameter type 22"},
        {"a title of its own", [](Row& r) { r.titles[0] = 7030; }, "parameter title id 7030"},
    };
    for (const Case& c : cases) {
        std::vector<Row> rows;
        for (int k = 0; k < expressions.count; ++k) rows.push_back(row(k));
        c.change(rows[3]);
        auto problems = rowProblems(expressions, rows);
        if (c.problem == nullptr) {
            EXPECT_TRUE(problems.empty()) << c.name << ": " << problems.front();
        } else {
            ASSERT_EQ(problems.size(), 1u) << c.name;
            EXPECT_NE(problems[0].find(c.problem), std::string::npos) << c.name << ": " << problems[0];
        }
    }
}

TEST(ValidateRecords, StrayWritesOutsideTheAllowedRanges) {
    const std::vector<uint8_t> before(16, 0);
    const ByteRange allowed[] = {{4, 8}};
    struct Case {
        size_t byte;
        bool stray;
    };
    for (const Case& c : {Case{3, true}, Case{4, false}, Case{7, false}, Case{8, true}, Case{15, true}}) {
        std::vector<uint8_t> after = before;
        after[c.byte] = 1;
        auto problems = strayWrites(before, after, allowed, "record");
        EXPECT_EQ(problems.size(), c.stray ? 1u : 0u) << "byte " << c.byte;
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
    struct Case {
        const char* fault;
        Fault inject;
        const char* failingCheck;  // null: nothing may fail
    };
    const Case cases[] = {
        {"none", [](auto&, auto, auto&, auto&) {}, nullptr},
        {"GetInfos answers 769",
         [](auto&, std::string_view n, auto& a, uint32_t& r) { if (n == "GetInfos" && a[0] == 0) r = 769; },
         "information query GetInfos"},
        {"byte 23 of the registration record written",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetRunObjectInfos") m.bytes(a[1])[23] = 0; },
         "registration values"},
        {"a display string one byte too long",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetActionString") m.bytes(a[2])[a[3]] = 0; },
         "GetActionString at every buffer size"},
        {"the version gate ignored",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) { if (n == "GetExpressionString") m.bytes(a[2])[0] = 0; },
         "GetExpressionString leaves the buffer alone for an old or unknown host"},
        {"a menu leaked next to the one returned",
         [](auto&, std::string_view n, auto&, auto&) { if (n == "GetActionMenu") standin::createPopupMenu(); },
         "GetActionMenu: fresh menus, nothing else kept"},
        {"a command on a second item",
         [](auto&, std::string_view n, auto&, uint32_t& r) {
             if (n == "GetConditionMenu" && r != 0) standin::appendMenu(r, 0, 26000, "Again");
         },
         "condition menu: every command id on exactly one selectable item"},
        {"the step writes the unused bytes",
         [](kdrv::Module& m, std::string_view n, auto& a, auto&) {
             if (n == "HandleRunObject") m.bytes(a[0])[offsetof(RunData, reserved)] ^= 1;
         },
         "1000 random run-time calls (seed 1)"},
    };
    for (const Case& c : cases) {
        FaultyModule module(c.inject);
        std::ostringstream out;
        Report report(out);
        Options options;
        options.randomCalls = 1000;
        runBattery(module, report, options);
        const auto& failed = report.failedChecks();
        if (c.failingCheck == nullptr) {
            EXPECT_TRUE(failed.empty()) << c.fault << ":\n" << out.str();
        } else {
            EXPECT_NE(std::find(failed.begin(), failed.end(), c.failingCheck), failed.end()) << c.fault << ":\n" << out.str();
        }
    }
}

}  // namespace
