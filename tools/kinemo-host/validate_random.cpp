// Thousands of random run-time calls on records full of arbitrary bits
// (NaNs, infinities, subnormals, huge values), with arbitrary fetched
// parameters: no fault, the results the host relies on, and no write
// outside what each call may change.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

#include "host/routines.h"
#include "kinemo-host/validate.h"

namespace kvalidate {
namespace {

constexpr uint32_t kAwkward[] = {0x7FC00000, 0xFFC00000, 0x7F800001, 0x7F800000, 0xFF800000, 0x00000001,
                                 0x807FFFFF, 0x80000000, 0x00000000, 0x7F7FFFFF, 0xFF7FFFFF, 0x4F000000,
                                 0xCF000000, 0x5F000000, 0xDF000000, 0x47000000, 0xC7000000, 0x3F800000};
constexpr size_t kGuard = 32;
constexpr size_t kInstances = 3;
constexpr size_t kObjects = 2;
constexpr size_t kFields = 16;  // the 4-byte motion fields, angle .. boundBottom

struct Rng {
    std::mt19937_64 engine;
    uint32_t bits() { return static_cast<uint32_t>(engine()); }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine() % n); }
    // Half the time one of the awkward floats.
    uint32_t value() { return below(2) ? kAwkward[below(std::size(kAwkward))] : bits(); }
};

struct Block {
    kdrv::Addr addr;
    size_t size;  // the record; the guard follows
};

std::vector<uint8_t> snapshot(kdrv::Module& m, const Block& b) {
    const uint8_t* p = m.bytes(b.addr);
    return {p, p + b.size + kGuard};
}

void randomFill(kdrv::Module& m, const Block& b, Rng& rng) {
    uint8_t* p = m.bytes(b.addr);
    for (size_t i = 0; i < b.size + kGuard; ++i) p[i] = static_cast<uint8_t>(rng.bits());
}

constexpr ByteRange kMotion{offsetof(RunData, angle), offsetof(RunData, reserved)};
constexpr ByteRange kTarget{offsetof(RunData, target), sizeof(RunData)};
constexpr ByteRange kResultFlags{kResultFlagsOffset, kResultFlagsOffset + 2};
constexpr ByteRange kTargetWrites[] = {{offsetof(HostObject, posX), offsetof(HostObject, posX) + 2},
                                       {offsetof(HostObject, posY), offsetof(HostObject, posY) + 2},
                                       {offsetof(HostObject, updateFlagA), offsetof(HostObject, updateFlagB) + 1}};

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

}  // namespace

std::vector<std::string> strayWrites(std::span<const uint8_t> before, std::span<const uint8_t> after,
                                     std::span<const ByteRange> allowed, std::string_view record) {
    std::vector<std::string> out;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        bool ok = false;
        for (const ByteRange& r : allowed) ok = ok || (i >= r.from && i < r.to);
        if (!ok) out.push_back(std::string(record) + " byte " + std::to_string(i) + " written");
    }
    return out;
}

void checkRandomRunTime(Host& host, Report& report, uint64_t seed, int calls) {
    kdrv::Module& m = host.m;
    auto rng = std::make_shared<Rng>(Rng{std::mt19937_64(seed)});
    const std::string check = std::to_string(calls) + " random run-time calls (seed " + std::to_string(seed) + ")";

    const RunInfos infos = [&] {
        const kdrv::Addr a = m.alloc(sizeof(RunInfos));
        m.call("GetRunObjectInfos", {0, a});
        RunInfos r;
        std::memcpy(&r, m.bytes(a), sizeof r);
        return r;
    }();
    const auto actions = m.routineTable(kdrv::RoutineKind::Action, infos.actionRoutines);
    const auto conditions = m.routineTable(kdrv::RoutineKind::Condition, infos.conditionRoutines);
    const auto expressions = m.routineTable(kdrv::RoutineKind::Expression, infos.expressionRoutines);
    const std::vector<Row> actionRows = readRows(host, families()[1]);
    if (actions.empty() || conditions.empty() || expressions.empty() || actionRows.size() != actions.size())
        return report.fail(check, "the routine tables or action rows are incomplete");

    const Block header{m.alloc(sizeof(HostRunHeader) + kGuard), sizeof(HostRunHeader)};
    std::array<Block, kObjects> objects{};
    std::array<Block, kInstances> instances{};
    randomFill(m, header, *rng);
    const kdrv::Addr fetch = m.callback(kdrv::CallbackKind::ParamFetch, [rng](std::span<const uint32_t>) { return rng->value(); });
    m.view<HostRunHeader>(header.addr)->getFirstParam = fetch;
    m.view<HostRunHeader>(header.addr)->getNextParam = fetch;
    for (Block& o : objects) {
        o = {m.alloc(sizeof(HostObject) + kGuard), sizeof(HostObject)};
        randomFill(m, o, *rng);
    }
    for (Block& b : instances) {
        b = {m.alloc(sizeof(RunData) + kGuard), sizeof(RunData)};
        randomFill(m, b, *rng);
        std::memcpy(m.bytes(b.addr) + kRunHeaderOffset, &header.addr, sizeof header.addr);
        // A bound instance's target is an object the host keeps alive.
        m.view<RunData>(b.addr)->target = objects[0].addr;
        if (rng->below(2)) m.call("CreateRunObject", {b.addr, 0, 0});
    }

    for (int n = 0; n < calls; ++n) {
        const Block& inst = instances[rng->below(kInstances)];
        const Block& other = objects[rng->below(kObjects)];
        const uint32_t op = rng->below(10);
        std::vector<std::vector<uint8_t>> before{snapshot(m, header), snapshot(m, inst)};
        for (const Block& o : objects) before.push_back(snapshot(m, o));
        const auto* rd = m.view<RunData>(inst.addr);
        const bool steps = rd->objectSet == 1 && rd->paused == 0;
        const kdrv::Addr steppedTarget = rd->target;

        std::string what;
        std::vector<ByteRange> mayWrite;
        std::vector<std::string> problems;
        try {
            if (op < 4) {
                const uint32_t code = rng->below(static_cast<uint32_t>(actions.size()));
                uint32_t p[2] = {rng->value(), rng->value()};
                for (size_t i = 0; i < 2; ++i)
                    if (i < actionRows[code].types.size() && actionRows[code].types[i] == 1) p[i] = other.addr;
                what = "action " + std::to_string(code) + "(" + hex(p[0]) + ", " + hex(p[1]) + ")";
                const uint32_t result = m.callRoutine(kdrv::RoutineKind::Action, actions[code], {inst.addr, p[0], p[1]});
                if (result != 0) problems.push_back("returned " + hex(result));
                mayWrite = {kMotion, kTarget};
            } else if (op < 6) {
                const uint32_t code = rng->below(static_cast<uint32_t>(expressions.size()));
                what = "expression " + std::to_string(code);
                m.callRoutine(kdrv::RoutineKind::Expression, expressions[code], {inst.addr, rng->bits()});
                mayWrite = {kResultFlags};
            } else if (op == 6) {
                what = "condition 0";
                m.callRoutine(kdrv::RoutineKind::Condition, conditions[0], {inst.addr, rng->bits(), rng->bits()});
            } else if (op < 9) {
                what = "HandleRunObject";
                const uint32_t result = m.call("HandleRunObject", {inst.addr});
                if (result != 2) problems.push_back("returned " + hex(result));
                if (steps) mayWrite = {kMotion};
            } else {
                // The host or a previous frame left an awkward value in a field.
                const uint32_t v = rng->value();
                std::memcpy(m.bytes(inst.addr) + offsetof(RunData, angle) + 4 * rng->below(kFields), &v, 4);
                continue;
            }
        } catch (const std::exception& e) {
            return report.fail(check, "call " + std::to_string(n) + ", " + what + ": fault: " + e.what());
        }
        for (auto& p : strayWrites(before[0], snapshot(m, header), {}, "run header")) problems.push_back(p);
        for (auto& p : strayWrites(before[1], snapshot(m, inst), mayWrite, "instance")) problems.push_back(p);
        for (size_t i = 0; i < kObjects; ++i) {
            const bool target = what == "HandleRunObject" && steps && objects[i].addr == steppedTarget;
            const std::span<const ByteRange> allowed = target ? std::span<const ByteRange>(kTargetWrites) : std::span<const ByteRange>();
            for (auto& p : strayWrites(before[2 + i], snapshot(m, objects[i]), allowed, "object")) problems.push_back(p);
        }
        if (!problems.empty()) return report.fail(check, "call " + std::to_string(n) + ", " + what + ": " + problems.front());
    }
    report.pass(check);
}

}  // namespace kvalidate
