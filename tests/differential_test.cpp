// The native build and kinemo.qlm in the emulated host, side by side: the
// same random sequence of actions, frames, condition and expression calls,
// from a fixed seed, must leave bit-identical records and targets and give
// bit-identical results after every call.
#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <iterator>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/module.h"
#include "host/routines.h"

namespace {

using kdrv::Addr;
using kdrv::Module;
using kdrv::RoutineKind;

constexpr uint32_t kSeed = 0x6B696E65;
constexpr int kFrames = 12000;
constexpr int kEpochFrames = 600;  // records are re-created and re-bound this often
constexpr int kObjects = 4;
constexpr int kInstances = 2;

enum class P : uint8_t { None, Int, Object };
struct ActionShape {
    P first, second;
};
// Parameter kinds of the 29 actions, in code order.
constexpr ActionShape kActions[kActionCount] = {
    {P::Int, P::None},    {P::Int, P::None},  {P::Object, P::None}, {P::Int, P::None},  {P::Int, P::None},
    {P::Int, P::None},    {P::Int, P::None},  {P::Int, P::Int},     {P::Int, P::None},  {P::Int, P::None},
    {P::Int, P::None},    {P::Int, P::None},  {P::Object, P::None}, {P::Object, P::None}, {P::Int, P::Int},
    {P::Int, P::Int},     {P::None, P::None}, {P::None, P::None},   {P::None, P::None}, {P::Int, P::None},
    {P::None, P::None},   {P::None, P::None}, {P::Int, P::None},    {P::Int, P::Object}, {P::Int, P::Object},
    {P::Int, P::Int},     {P::Int, P::Int},   {P::Int, P::Object},  {P::Int, P::Int},
};
// A coefficient far above 100 makes every bounce an explosion; mostly plausible ones.
constexpr int kSetBounceCoefficient = 19;
constexpr int kExpressionParams[kExpressionCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 4, 4};

struct Field {
    uint32_t offset;
    const char* name;
};
constexpr Field kFields[] = {
    {288, "angle"}, {292, "gravityStrength"}, {296, "gravityAngle"}, {300, "xSpeed"}, {304, "ySpeed"},
    {308, "speed"}, {312, "x"}, {316, "y"}, {320, "maxSpeed"}, {324, "minSpeed"}, {328, "bounceCoefficient"},
    {332, "mode"}, {336, "boundLeft"}, {340, "boundTop"}, {344, "boundRight"}, {348, "boundBottom"},
    {352, "objectSet/paused"}, {356, "target"},
};

// Unicorn picks the result of an operation on two NaNs by the x87 rule
// (larger significand, then the positive one) where SSE hardware takes the
// first operand, and compilers order the operands of + and * freely. So once
// two NaNs meet, which NaN a float ends up holding is not comparable: there,
// and only there, any NaN matches any NaN. Everything else is bit for bit.
constexpr uint32_t kFirstFloat = 288, kEndFloats = 332;

bool isNaN(uint32_t bits) { return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0; }
bool sameFloat(uint32_t a, uint32_t b) { return a == b || (isNaN(a) && isNaN(b)); }

std::string fieldAt(uint32_t offset) {
    if (offset < 288) return "header byte " + std::to_string(offset);
    std::string name = "?";
    for (const Field& f : kFields)
        if (f.offset <= offset) name = f.name;
    return name + " (byte " + std::to_string(offset) + ")";
}

// One call the test makes on both sides; object parameters are indices.
struct Op {
    enum Kind : uint8_t { Action, Condition, Expression, Step, MoveObject, Create, Bind } kind;
    int code = 0;
    int instance = 0;
    uint32_t p1 = 0, p2 = 0;
    std::vector<uint32_t> params;

    std::string describe() const {
        static const char* const names[] = {"action", "condition", "expression", "step", "host moves object", "create", "bind"};
        std::ostringstream s;
        s << names[kind] << " " << code << " on instance " << instance << " (" << int32_t(p1) << ", " << int32_t(p2) << ")";
        for (uint32_t p : params) s << " param 0x" << std::hex << p << std::dec;
        return s.str();
    }
};

struct Side {
    std::unique_ptr<Module> m;
    Addr header = 0;
    Addr objects[kObjects] = {};
    Addr instances[kInstances] = {};
    std::vector<Addr> conditions, actions, expressions;
    std::shared_ptr<std::vector<uint32_t>> queue = std::make_shared<std::vector<uint32_t>>();
    std::shared_ptr<size_t> next = std::make_shared<size_t>(0);

    explicit Side(std::unique_ptr<Module> module) : m(std::move(module)) {
        const Addr infos = m->alloc(sizeof(RunInfos));
        m->call("GetRunObjectInfos", {0, infos});
        RunInfos ri;
        std::memcpy(&ri, m->bytes(infos), sizeof ri);
        conditions = m->routineTable(RoutineKind::Condition, ri.conditionRoutines);
        actions = m->routineTable(RoutineKind::Action, ri.actionRoutines);
        expressions = m->routineTable(RoutineKind::Expression, ri.expressionRoutines);

        header = m->alloc(sizeof(HostRunHeader));
        auto fetch = [q = queue, n = next](std::span<const uint32_t>) { return *n < q->size() ? (*q)[(*n)++] : 0u; };
        const Addr first = m->callback(kdrv::CallbackKind::ParamFetch, fetch);
        const Addr later = m->callback(kdrv::CallbackKind::ParamFetch, fetch);
        auto* h = m->view<HostRunHeader>(header);
        h->getFirstParam = first;
        h->getNextParam = later;
        for (Addr& o : objects) o = m->alloc(sizeof(HostObject));
        for (Addr& rd : instances) {
            rd = m->alloc(sizeof(RunData));
            std::memcpy(m->bytes(rd) + kRunHeaderOffset, &header, sizeof header);
        }
    }

    uint32_t param(P kind, uint32_t raw) const { return kind == P::Object ? objects[raw] : raw; }

    uint32_t apply(const Op& op) {
        const Addr rd = instances[op.instance];
        switch (op.kind) {
            case Op::Action:
                return m->callRoutine(RoutineKind::Action, actions.at(size_t(op.code)),
                                      {rd, param(kActions[op.code].first, op.p1), param(kActions[op.code].second, op.p2)});
            case Op::Condition: return m->callRoutine(RoutineKind::Condition, conditions.at(0), {rd, op.p1, op.p2});
            case Op::Expression:
                *queue = op.params;
                *next = 0;
                return m->callRoutine(RoutineKind::Expression, expressions.at(size_t(op.code)), {rd, 0x5EED});
            case Op::Step: return m->call("HandleRunObject", {rd});
            case Op::MoveObject: {
                auto* o = m->view<HostObject>(objects[op.code]);
                o->posX = int16_t(op.p1);
                o->posY = int16_t(op.p2);
                return 0;
            }
            case Op::Create: return m->call("CreateRunObject", {rd, 0, 0});
            case Op::Bind: return m->callRoutine(RoutineKind::Action, actions.at(2), {rd, objects[op.code], 0});
        }
        return 0;
    }

    // The target as an object index: -1 unset, -2 an address that is no object of ours.
    int targetIndex(int instance) {
        const Addr t = m->view<RunData>(instances[instance])->target;
        if (t == 0) return -1;
        for (int i = 0; i < kObjects; ++i)
            if (objects[i] == t) return i;
        return -2;
    }
};

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    uint32_t below(uint32_t n) { return uint32_t(rng_() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    int32_t range(int32_t lo, int32_t hi) { return lo + int32_t(below(uint32_t(hi - lo + 1))); }

    // Integers as the host evaluates them: mostly plausible, sometimes extreme.
    uint32_t intParam() {
        // Extremes soon overflow to infinities and NaNs, which then stay for the
        // rest of the epoch; they are kept rare so most frames move finitely.
        const uint32_t pick = below(100);
        if (pick < 30) return uint32_t(range(-200, 200));
        if (pick < 55) return uint32_t(range(-720, 720));
        if (pick < 80) return uint32_t(range(-5000, 5000));
        if (pick < 92) return uint32_t(range(-100000, 100000));
        if (pick < 97) {
            static constexpr uint32_t kEdges[] = {0, 0xFFFFFFFFu, 1, 90, 180, 270, 360, 100, 0x80000000u, 0x7FFFFFFFu};
            return kEdges[below(std::size(kEdges))];
        }
        return uint32_t(rng_());
    }

    // Raw expression parameters: integers and float bits, both read by the module's rule.
    uint32_t expressionParam() {
        switch (below(10)) {
            case 0: case 1: case 2: case 3: return uint32_t(range(-1000, 1000));
            case 4: case 5: case 6: return std::bit_cast<uint32_t>(float(range(-200000, 200000)) / 100.0f);
            case 7: return std::bit_cast<uint32_t>(float(range(-999, 999)) / 1000.0f);
            case 8: {
                static constexpr uint32_t kEdges[] = {0x7FC00000u, 0x7F800000u, 0xFF800000u, 0x80000000u,
                                                      0x3F800000u, 0x00000001u, 0x4F800000u, 0xCF000000u};
                return kEdges[below(std::size(kEdges))];
            }
            default: return uint32_t(rng_());
        }
    }

    Op next() {
        Op op{};
        op.instance = int(below(kInstances));
        const uint32_t pick = below(100);
        if (pick < 55) {
            op.kind = Op::Action;
            op.code = int(below(kActionCount));
            op.p1 = op.code == kSetBounceCoefficient && chance(95) ? uint32_t(range(0, 150)) : paramFor(kActions[op.code].first);
            op.p2 = paramFor(kActions[op.code].second);
        } else if (pick < 62) {
            op.kind = Op::Condition;
        } else if (pick < 92) {
            op.kind = Op::Expression;
            op.code = int(below(kExpressionCount));
            for (int i = 0; i < kExpressionParams[op.code]; ++i) op.params.push_back(expressionParam());
        } else {
            op.kind = Op::MoveObject;
            op.code = int(below(kObjects));
            op.p1 = uint32_t(range(-50, 900));
            op.p2 = uint32_t(range(-50, 700));
        }
        return op;
    }

private:
    uint32_t paramFor(P kind) {
        if (kind == P::Object) return below(kObjects);
        if (kind == P::Int) return intParam();
        return uint32_t(rng_());  // undeclared parameters hold whatever the host left there
    }

    std::mt19937 rng_;
};

struct Differential {
    Side native{kdrv::openNative()};
    Side emulated{kdrv::openEmulated(KINEMO_DLL_PATH)};
    int frame = 0;
    int nanMatches = 0;

    // Host-side set-up of an epoch: playfield, objects, fresh records, bound targets.
    void newEpoch(Generator& g, std::vector<Op>& ops) {
        const int16_t width = int16_t(g.range(64, 1200)), height = int16_t(g.range(64, 900));
        for (int o = 0; o < kObjects; ++o) {
            const int16_t values[] = {int16_t(g.range(0, width)), int16_t(g.range(0, height)), int16_t(g.range(0, 40)),
                                      int16_t(g.range(0, 40)), int16_t(g.range(1, 80)), int16_t(g.range(1, 80))};
            for (Side* s : {&native, &emulated}) {
                auto* h = s->m->view<HostRunHeader>(s->header);
                h->playfieldWidth = width;
                h->playfieldHeight = height;
                auto* obj = s->m->view<HostObject>(s->objects[o]);
                obj->posX = values[0], obj->posY = values[1], obj->hotSpotX = values[2], obj->hotSpotY = values[3];
                obj->imageWidth = values[4], obj->imageHeight = values[5];
            }
        }
        for (int i = 0; i < kInstances; ++i) {
            ops.push_back(Op{Op::Create, 0, i, 0, 0, {}});
            if (g.chance(90)) ops.push_back(Op{Op::Bind, int(g.below(kObjects)), i, 0, 0, {}});
        }
    }

    // Compares everything the module could have touched; the first difference fails.
    bool same(const Op& op, uint32_t a, uint32_t b) {
        auto where = [&] {
            return "frame " + std::to_string(frame) + ", after " + op.describe() + " on" + fields(before) + ": ";
        };
        if (op.kind == Op::Expression ? !sameFloat(a, b) : a != b) {
            ADD_FAILURE() << where() << "result native 0x" << std::hex << a << " emulated 0x" << b;
            return false;
        }
        for (int i = 0; i < kInstances; ++i) {
            const uint8_t* x = native.m->bytes(native.instances[i]);
            const uint8_t* y = emulated.m->bytes(emulated.instances[i]);
            // The header, except the host's own address at byte 6.
            for (uint32_t at = 0; at < kFirstFloat; ++at) {
                if (x[at] == y[at] || (at >= kRunHeaderOffset && at < kRunHeaderOffset + 4)) continue;
                ADD_FAILURE() << where() << "instance " << i << " " << fieldAt(at) << " differs";
                return false;
            }
            for (uint32_t at = kFirstFloat; at < offsetof(RunData, target); at += 4) {
                uint32_t wx, wy;
                std::memcpy(&wx, x + at, 4);
                std::memcpy(&wy, y + at, 4);
                if (wx == wy) continue;
                if (at < kEndFloats && sameFloat(wx, wy)) {
                    ++nanMatches;
                    continue;
                }
                ADD_FAILURE() << where() << "instance " << i << " " << fieldAt(at) << ": native 0x" << std::hex << wx
                              << " emulated 0x" << wy;
                return false;
            }
            if (native.targetIndex(i) != emulated.targetIndex(i)) {
                ADD_FAILURE() << where() << "instance " << i << " target: native object " << native.targetIndex(i)
                              << ", emulated object " << emulated.targetIndex(i);
                return false;
            }
        }
        for (int o = 0; o < kObjects; ++o) {
            if (std::memcmp(native.m->bytes(native.objects[o]), emulated.m->bytes(emulated.objects[o]), sizeof(HostObject)) != 0) {
                const auto* x = native.m->view<HostObject>(native.objects[o]);
                const auto* y = emulated.m->view<HostObject>(emulated.objects[o]);
                ADD_FAILURE() << where() << "object " << o << ": native (" << x->posX << ", " << x->posY << ") flags "
                              << int(x->updateFlagA) << int(x->updateFlagB) << ", emulated (" << y->posX << ", " << y->posY
                              << ") flags " << int(y->updateFlagA) << int(y->updateFlagB);
                return false;
            }
        }
        return true;
    }

    // The native record as it was before the op, for the failure message.
    uint8_t before[sizeof(RunData)] = {};

    static std::string fields(const uint8_t* record) {
        std::ostringstream s;
        for (const Field& f : kFields) {
            uint32_t w;
            std::memcpy(&w, record + f.offset, 4);
            s << " " << f.name << "=0x" << std::hex << w << std::dec;
        }
        return s.str();
    }

    bool run(const Op& op) {
        std::memcpy(before, native.m->bytes(native.instances[op.instance]), sizeof before);
        return same(op, native.apply(op), emulated.apply(op));
    }
};

TEST(Differential, NativeAndEmulatedAgreeBitForBit) {
    Differential d;
    Generator g(kSeed);
    int calls = 0;
    for (d.frame = 0; d.frame < kFrames; ++d.frame) {
        std::vector<Op> ops;
        if (d.frame % kEpochFrames == 0) d.newEpoch(g, ops);
        const uint32_t count = g.below(4);
        for (uint32_t i = 0; i < count; ++i) ops.push_back(g.next());
        for (int i = 0; i < kInstances; ++i) ops.push_back(Op{Op::Step, 0, i, 0, 0, {}});
        for (const Op& op : ops) {
            ASSERT_TRUE(d.run(op)) << "seed " << kSeed;
            ++calls;
        }
    }
    RecordProperty("calls", calls);
    RecordProperty("nanMatches", d.nanMatches);
}

}  // namespace
