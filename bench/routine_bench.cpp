// Each action family and each expression, called the way the host calls
// routines: through the registered routine tables.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "bench_records.h"
#include "ratio_report.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::RunData;

namespace {

using kbench::callAction;

constexpr uint32_t kAimObject = 0xFFFFFFFF;  // placeholder for the second object

struct ActionCall {
    int code;
    uint32_t p1, p2;
};

struct ActionFamily {
    const char* name;
    std::vector<ActionCall> calls;
};

const std::array<ActionFamily, 5> kFamilies{{
    {"binding and setters",
     {{ActionCode::SetAngle, 45, 0}, {ActionCode::SetSpeed, 300, 0}, {ActionCode::SetObject, kAimObject, 0}, {ActionCode::SetGravityStrength, 50, 0}, {ActionCode::SetGravityAngle, 270, 0}, {ActionCode::SetX, 100, 0}, {ActionCode::SetY, 100, 0},
      {ActionCode::SetPosition, 100, 200}, {ActionCode::SetMinimumSpeed, 50, 0}, {ActionCode::SetMaximumSpeed, 900, 0}, {ActionCode::SetXSpeed, 120, 0}, {ActionCode::SetYSpeed, static_cast<uint32_t>(-80), 0}}},
    {"aiming", {{ActionCode::AimAtObject, kAimObject, 0}, {ActionCode::AimGravityAtObject, kAimObject, 0}, {ActionCode::AimAtPoint, 300, 100}, {ActionCode::AimGravityAtPoint, 320, 400}}},
    {"mode, bounce and pause", {{ActionCode::WrapMode, 0, 0}, {ActionCode::BounceMode, 0, 0}, {ActionCode::NoMode, 0, 0}, {ActionCode::SetBounceCoefficient, 90, 0}, {ActionCode::Pause, 0, 0}, {ActionCode::Resume, 0, 0}, {ActionCode::ForcedBounce, 45, 0}}},
    {"displacement and impulse", {{ActionCode::MoveTowardsObject, 150, kAimObject}, {ActionCode::PushTowardsObject, 50, kAimObject}, {ActionCode::PushAtAngle, 50, 30}, {ActionCode::MoveAtAngle, 150, 210}}},
    {"rotation", {{ActionCode::RotateTowardsObject, 5, kAimObject}, {ActionCode::RotateTowardsAngle, 5, 90}}},
}};

// Instance 0 acts; target 1 is the object that object parameters name.
// Actions that accumulate (impulses, displacements) are put back on their
// start every 1024 rounds so every round does the same work.
void actionFamily(benchmark::State& state, const ActionFamily* family) {
    auto scene = kbench::boundScene(2);
    RunData* rd = scene->instances[0];
    const uint32_t other = kbench::objectRef(scene->targets[1]);
    callAction(rd, ActionCode::SetSpeed, 250);
    callAction(rd, ActionCode::SetGravityStrength, 40);
    std::vector<ActionCall> calls = family->calls;
    for (ActionCall& c : calls) {
        if (c.p1 == kAimObject) c.p1 = other;
        if (c.p2 == kAimObject) c.p2 = other;
    }
    const RunData start = *rd;
    int round = 0;
    for (auto _ : state) {
        for (const ActionCall& c : calls) benchmark::DoNotOptimize(callAction(rd, c.code, c.p1, c.p2));
        if (++round == 1024) {
            *rd = start;
            round = 0;
        }
    }
    kbench::markCalls(state, calls.size());
}

struct ExpressionCase {
    const char* name;
    std::vector<uint32_t> params;
};

// In routine-table order; floats arrive as their bits, integers as integers.
const std::array<ExpressionCase, 15> kExpressions{{
    {"GetAngle", {}},
    {"GetSpeed", {}},
    {"GetX", {}},
    {"GetY", {}},
    {"GetXSpeed", {}},
    {"GetYSpeed", {}},
    {"GetGravityStrength", {}},
    {"GetGravityAngle", {}},
    {"GetMaxSpeed", {}},
    {"GetMinSpeed", {}},
    {"GetBounceCoe", {}},
    {"GetDist", {200, 0x40200000}},
    {"GetAng", {200, 0x40200000}},
    {"GetDistPoints", {10, 20, 0xC0200000, 400}},
    {"GetAngPoints", {10, 20, 0xC0200000, 400}},
}};

void expression(benchmark::State& state, int code) {
    auto scene = kbench::boundScene(1);
    RunData* rd = scene->instances[0];
    callAction(rd, ActionCode::SetSpeed, 250);
    callAction(rd, ActionCode::SetAngle, 30);
    kbench::setFetchedParams(kExpressions[code].params);
    for (auto _ : state) benchmark::DoNotOptimize(kbench::callExpression(rd, code));
    kbench::markCalls(state, 1);
}

[[maybe_unused]] const bool registered = [] {
    for (const ActionFamily& family : kFamilies)
        benchmark::RegisterBenchmark(("actions/" + std::string(family.name)).c_str(), actionFamily, &family);
    for (int code = 0; code < static_cast<int>(kExpressions.size()); ++code)
        benchmark::RegisterBenchmark(("expression/" + std::string(kExpressions[code].name)).c_str(), expression, code);
    return true;
}();

}  // namespace
