// Thousands of random run-time calls on records full of arbitrary bits
// (NaNs, infinities, subnormals, huge values), with arbitrary fetched
// parameters: no fault, the results the host relies on, and no write
// outside what each call may change.
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "validate/validate.h"

using kinemo::HostObject;
using kinemo::HostRunHeader;
using kinemo::RunData;

namespace kvalidate {
namespace {

constexpr size_t kGuard = 32;
constexpr size_t kInstances = 3;
constexpr size_t kObjects = 2;
constexpr size_t kFields = 17;  // the 4-byte motion fields, angle .. boundBottom, then objectSet and paused

struct Block {
    kdrv::Addr addr;
    size_t size;  // the record; the guard follows
};

constexpr ByteRange kMotion{offsetof(RunData, angle), offsetof(RunData, reserved)};
constexpr ByteRange kTarget{offsetof(RunData, target), sizeof(RunData)};
constexpr ByteRange kTargetWrites[] = {{offsetof(HostObject, posX), offsetof(HostObject, posX) + 2},
                                       {offsetof(HostObject, posY), offsetof(HostObject, posY) + 2},
                                       {offsetof(HostObject, updateFlagA), offsetof(HostObject, updateFlagB) + 1}};

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

uint16_t resultFlags(const std::vector<uint8_t>& record) {
    uint16_t flags;
    std::memcpy(&flags, record.data() + hostrec::layout::kResultFlags, sizeof flags);
    return flags;
}

}  // namespace

struct RandomStage {
    kdrv::Module& m;
    hostrec::Routines routines;
    std::vector<Row> actionRows;
    Block header{};
    std::array<Block, kObjects> objects{};
    std::array<Block, kInstances> instances{};
    ByteSource* source = nullptr;  // the fetch callbacks answer from it
    bool badFetch = false;

    std::vector<uint8_t> snapshot(const Block& b) const {
        const uint8_t* p = m.bytes(b.addr);
        return {p, p + b.size + kGuard};
    }
    // Arbitrary bits from a seed the source gives, so a short fuzz input still reaches the calls.
    void fill(const Block& b, uint64_t& seed) {
        uint8_t* p = m.bytes(b.addr);
        for (size_t i = 0; i < b.size + kGuard; ++i) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            p[i] = static_cast<uint8_t>(seed >> 56);
        }
    }
    Block block(size_t size) { return {m.alloc(static_cast<uint32_t>(size + kGuard)), size}; }
};

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

std::shared_ptr<RandomStage> newRandomStage(Host& host) {
    kdrv::Module& m = host.m;
    auto stage = std::make_shared<RandomStage>(RandomStage{m, hostrec::routines(m), readRows(host, kFamilies[1])});
    const auto& r = stage->routines;
    if (r.actions.empty() || r.conditions.empty() || r.expressions.empty() || stage->actionRows.size() != r.actions.size())
        throw std::runtime_error("the routine tables or action rows are incomplete");
    stage->header = stage->block(sizeof(HostRunHeader));
    for (Block& o : stage->objects) o = stage->block(sizeof(HostObject));
    for (Block& b : stage->instances) b = stage->block(sizeof(RunData));
    RandomStage* s = stage.get();
    hostrec::installParamFetch(m, stage->header.addr, [s](std::span<const uint32_t> args) {
        s->badFetch = s->badFetch || args.size() < 2 || args[1] != 2;
        return s->source->value();
    });
    return stage;
}

std::optional<std::string> playRandomCalls(RandomStage& s, ByteSource& source, int calls) {
    kdrv::Module& m = s.m;
    s.source = &source;
    s.badFetch = false;
    uint64_t seed = (uint64_t{source.bits()} << 32) | source.bits();
    const HostRunHeader keep = *m.view<HostRunHeader>(s.header.addr);
    s.fill(s.header, seed);
    m.view<HostRunHeader>(s.header.addr)->getFirstParam = keep.getFirstParam;
    m.view<HostRunHeader>(s.header.addr)->getNextParam = keep.getNextParam;
    for (Block& o : s.objects) s.fill(o, seed);
    for (Block& b : s.instances) {
        s.fill(b, seed);
        hostrec::attachRunHeader(m, b.addr, s.header.addr);
        // A bound instance's target is an object the host keeps alive.
        m.view<RunData>(b.addr)->target = s.objects[0].addr;
        if (source.below(2)) m.call("CreateRunObject", {b.addr, 0, 0});
    }

    for (int n = 0; n < calls && !source.exhausted(); ++n) {
        const Block& inst = s.instances[source.below(kInstances)];
        const Block& other = s.objects[source.below(kObjects)];
        const uint32_t op = source.below(10);
        std::vector<std::vector<uint8_t>> before{s.snapshot(s.header), s.snapshot(inst)};
        for (const Block& o : s.objects) before.push_back(s.snapshot(o));
        const auto* rd = m.view<RunData>(inst.addr);
        const bool steps = rd->objectSet == 1 && rd->paused == 0;
        const kdrv::Addr steppedTarget = rd->target;

        std::string what;
        std::vector<ByteRange> mayWrite;
        std::vector<std::string> problems;
        bool mayFlagFloat = false;
        try {
            if (op < 4) {
                const uint32_t code = source.below(static_cast<uint32_t>(s.routines.actions.size()));
                uint32_t p[2] = {source.value(), source.value()};
                // Object parameters are always objects the host keeps alive.
                for (size_t i = 0; i < 2; ++i)
                    if (i < s.actionRows[code].types.size() && s.actionRows[code].types[i] == 1) p[i] = other.addr;
                what = "action " + std::to_string(code) + "(" + hex(p[0]) + ", " + hex(p[1]) + ")";
                const uint32_t result = m.callRoutine(kdrv::RoutineKind::Action, s.routines.actions[code], {inst.addr, p[0], p[1]});
                if (result != 0) problems.push_back("returned " + hex(result));
                mayWrite = {kMotion, kTarget};
            } else if (op < 6) {
                const uint32_t code = source.below(static_cast<uint32_t>(s.routines.expressions.size()));
                what = "expression " + std::to_string(code);
                m.callRoutine(kdrv::RoutineKind::Expression, s.routines.expressions[code], {inst.addr, source.bits()});
                mayWrite = {{hostrec::layout::kResultFlags, hostrec::layout::kResultFlags + 2}};
                mayFlagFloat = true;
            } else if (op == 6) {
                what = "condition 0";
                m.callRoutine(kdrv::RoutineKind::Condition, s.routines.conditions[0], {inst.addr, source.bits(), source.bits()});
            } else if (op < 9) {
                what = "HandleRunObject";
                const uint32_t result = m.call("HandleRunObject", {inst.addr});
                if (result != 2) problems.push_back("returned " + hex(result));
                if (steps) mayWrite = {kMotion};
            } else {
                // The host or a previous frame left an awkward value in a field.
                const uint32_t v = source.value();
                std::memcpy(m.bytes(inst.addr) + offsetof(RunData, angle) + 4 * source.below(kFields), &v, 4);
                continue;
            }
        } catch (const std::exception& e) {
            return "call " + std::to_string(n) + ", " + what + ": fault: " + e.what();
        }
        const std::vector<uint8_t> after = s.snapshot(inst);
        for (auto& p : strayWrites(before[0], s.snapshot(s.header), {}, "run header")) problems.push_back(p);
        for (auto& p : strayWrites(before[1], after, mayWrite, "instance")) problems.push_back(p);
        // An expression may only add the float-result bit.
        const uint16_t was = resultFlags(before[1]), now = resultFlags(after);
        if (mayFlagFloat && now != was && now != (was | hostrec::layout::kFloatResultFlag)) problems.push_back("result flags changed beyond the float bit");
        if (s.badFetch) problems.push_back("a parameter fetch without the constant 2");
        for (size_t i = 0; i < kObjects; ++i) {
            const bool target = what == "HandleRunObject" && steps && s.objects[i].addr == steppedTarget;
            const std::span<const ByteRange> allowed = target ? std::span<const ByteRange>(kTargetWrites) : std::span<const ByteRange>();
            for (auto& p : strayWrites(before[2 + i], s.snapshot(s.objects[i]), allowed, "object")) problems.push_back(p);
            const auto* o = m.view<HostObject>(s.objects[i].addr);
            if (target && (o->updateFlagA != 1 || o->updateFlagB != 1)) problems.push_back("the step did not set both update flags");
        }
        if (!problems.empty()) return "call " + std::to_string(n) + ", " + what + ": " + problems.front();
    }
    return std::nullopt;
}

void checkRandomRunTime(Host& host, Report& report, uint64_t seed, int calls) {
    const std::string check = std::to_string(calls) + " random run-time calls (seed " + std::to_string(seed) + ")";
    SeededSource source(seed);
    std::shared_ptr<RandomStage> stage;
    try {
        stage = newRandomStage(host);
    } catch (const std::runtime_error& e) {
        return report.fail(check, e.what());
    }
    if (auto problem = playRandomCalls(*stage, source, calls)) return report.fail(check, *problem);
    report.pass(check);
}

}  // namespace kvalidate
