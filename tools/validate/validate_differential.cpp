// The native build and kinemo.qlm in the emulated host, side by side: the
// same random sequence of actions, frames, condition and expression calls,
// from a seed, must leave bit-identical records and targets and give
// bit-identical results after every call.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "validate/validate.h"

namespace ActionCode = kinemo::ActionCode;
using kinemo::HostObject;
using kinemo::HostRunHeader;
using kinemo::RunData;
using kinemo::kActionCount;
using kinemo::kExpressionCount;

namespace kvalidate {
namespace {

using kdrv::Addr;

constexpr int kEpochFrames = 600;  // records are re-created and re-bound this often
constexpr int kObjects = 4, kInstances = 2;
// Parameters of the actions in code order: i an integer, o an object.
constexpr std::string_view kActionParams[kActionCount] = {
    "i", "i", "o", "i", "i", "i", "i", "ii", "i", "i", "i", "i", "o", "o", "ii",
    "ii", "", "", "", "i", "", "", "i", "io", "io", "ii", "ii", "io", "ii"};
constexpr int kExpressionParams[kExpressionCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 4, 4};

// Unicorn picks the result of an operation on two NaNs by the x87 rule
// (larger significand, then the positive one) where SSE hardware takes the
// first operand, and compilers order the operands of + and * freely. So once
// two NaNs meet, which NaN a float ends up holding is not comparable: there,
// and only there, any NaN matches any NaN. Everything else is bit for bit.
constexpr uint32_t kFirstFloat = 288, kEndFloats = 332;

bool isNaN(uint32_t bits) { return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0; }
bool sameFloat(uint32_t a, uint32_t b) { return a == b || (isNaN(a) && isNaN(b)); }

char paramKind(int action, size_t i) { return i < kActionParams[action].size() ? kActionParams[action][i] : '-'; }

std::string hex(uint32_t v) {
    char s[12];
    std::snprintf(s, sizeof s, "0x%x", v);
    return s;
}

std::string mismatch(const std::string& what, uint32_t native, uint32_t emulated) {
    return what + ": native " + hex(native) + ", emulated " + hex(emulated);
}

// One call made on both sides; object parameters are indices.
struct Op {
    enum Kind : uint8_t { Action, Condition, Expression, Step, MoveObject, Create } kind;
    int code = 0, instance = 0;
    uint32_t p1 = 0, p2 = 0;
    std::vector<uint32_t> params;
};

std::string describe(const Op& op) {
    static const char* const kinds[] = {"action", "condition", "expression", "step", "host moves object", "create"};
    std::string s = std::string(kinds[op.kind]) + " " + std::to_string(op.code) + " on instance " +
                    std::to_string(op.instance) + " (" + std::to_string(int32_t(op.p1)) + ", " +
                    std::to_string(int32_t(op.p2)) + ")";
    for (uint32_t p : op.params) s += " param " + hex(p);
    return s;
}

struct Side {
    kdrv::Module* module;
    hostrec::Stage stage;

    explicit Side(kdrv::Module& m) : module(&m), stage(hostrec::newStage(m)) {
        for (int o = 0; o < kObjects; ++o) stage.objects.push_back(module->alloc(sizeof(HostObject)));
        for (int i = 0; i < kInstances; ++i) stage.instances.push_back(hostrec::newInstance(*module, stage.header));
    }

    uint32_t param(int action, size_t i, uint32_t raw) const { return paramKind(action, i) == 'o' ? stage.objects[raw] : raw; }

    uint32_t apply(const Op& op) {
        const Addr rd = stage.instances[op.instance];
        switch (op.kind) {
            case Op::Action: return hostrec::callAction(stage, rd, op.code, param(op.code, 0, op.p1), param(op.code, 1, op.p2));
            case Op::Condition: return hostrec::callCondition(stage, rd, op.p1, op.p2);
            case Op::Expression: return hostrec::callExpression(stage, rd, op.code, op.params, 0x5EED);
            case Op::Step: return module->call("HandleRunObject", {rd});
            case Op::MoveObject:
                hostrec::object(*module, stage.objects[op.code]).posX = int16_t(op.p1);
                hostrec::object(*module, stage.objects[op.code]).posY = int16_t(op.p2);
                return 0;
            case Op::Create: return module->call("CreateRunObject", {rd, 0, 0});
        }
        return 0;
    }

    // The record's words, with the host's own address in its header masked out.
    std::array<uint32_t, sizeof(RunData) / 4> words(int instance) {
        std::array<uint8_t, sizeof(RunData)> bytes;
        std::memcpy(bytes.data(), module->bytes(stage.instances[instance]), bytes.size());
        std::memset(bytes.data() + hostrec::layout::kRunHeader, 0, 4);
        return std::bit_cast<std::array<uint32_t, sizeof(RunData) / 4>>(bytes);
    }

    // The target as an object index: -1 unset, -2 an address that is no object of ours.
    int targetIndex(int instance) {
        const Addr t = hostrec::run(*module, stage.instances[instance]).target;
        const auto found = std::find(stage.objects.begin(), stage.objects.end(), t);
        return t == 0 ? -1 : found == stage.objects.end() ? -2 : int(found - stage.objects.begin());
    }
};

// Host-side calls from a fixed seed: mostly plausible values, sometimes extreme ones.
struct Generator {
    std::mt19937 rng;

    uint32_t below(uint32_t n) { return uint32_t(rng() % n); }
    int32_t range(int32_t lo, int32_t hi) { return lo + int32_t(below(uint32_t(hi - lo + 1))); }

    // Extremes soon overflow to infinities and NaNs, which then stay for the
    // rest of the epoch; they are kept rare so most frames move finitely.
    uint32_t intParam() {
        static constexpr uint32_t kEdges[] = {0, 0xFFFFFFFFu, 1, 90, 180, 270, 360, 100, 0x80000000u, 0x7FFFFFFFu};
        const uint32_t pick = below(100);
        if (pick < 30) return uint32_t(range(-200, 200));
        if (pick < 55) return uint32_t(range(-720, 720));
        if (pick < 80) return uint32_t(range(-5000, 5000));
        if (pick < 92) return uint32_t(range(-100000, 100000));
        return pick < 97 ? kEdges[below(std::size(kEdges))] : uint32_t(rng());
    }

    // Raw expression parameters: integers and float bits, both read by the module's rule.
    uint32_t expressionParam() {
        static constexpr uint32_t kEdges[] = {0x7FC00000u, 0x7F800000u, 0xFF800000u, 0x80000000u,
                                              0x3F800000u, 0x00000001u, 0x4F800000u, 0xCF000000u};
        const uint32_t pick = below(10);
        if (pick < 4) return uint32_t(range(-1000, 1000));
        if (pick < 7) return std::bit_cast<uint32_t>(float(range(-200000, 200000)) / 100.0f);
        if (pick == 7) return std::bit_cast<uint32_t>(float(range(-999, 999)) / 1000.0f);
        return pick == 8 ? kEdges[below(std::size(kEdges))] : uint32_t(rng());
    }

    // Undeclared parameters hold whatever the host left there.
    uint32_t paramFor(char kind) { return kind == 'o' ? below(kObjects) : kind == 'i' ? intParam() : uint32_t(rng()); }

    Op next() {
        Op op{};
        op.instance = int(below(kInstances));
        const uint32_t pick = below(100);
        if (pick < 55) {
            op.kind = Op::Action;
            op.code = int(below(kActionCount));
            const bool plausible = op.code == ActionCode::SetBounceCoefficient && below(100) < 95;
            op.p1 = plausible ? uint32_t(range(0, 150)) : paramFor(paramKind(op.code, 0));
            op.p2 = paramFor(paramKind(op.code, 1));
        } else if (pick < 62) {
            op.kind = Op::Condition;
        } else if (pick < 92) {
            op.kind = Op::Expression;
            op.code = int(below(kExpressionCount));
            for (int i = 0; i < kExpressionParams[op.code]; ++i) op.params.push_back(expressionParam());
        } else {
            op = Op{Op::MoveObject, int(below(kObjects)), op.instance, uint32_t(range(-50, 900)), uint32_t(range(-50, 700)), {}};
        }
        return op;
    }
};

struct SideBySide {
    Side native, emulated;
    int nanMatches = 0;

    SideBySide(kdrv::Module& n, kdrv::Module& e) : native(n), emulated(e) {}

    // Host-side set-up of an epoch: playfield, objects, fresh records, bound targets.
    void newEpoch(Generator& g, std::vector<Op>& ops) {
        const int16_t width = int16_t(g.range(64, 1200)), height = int16_t(g.range(64, 900));
        for (int o = 0; o < kObjects; ++o) {
            const hostrec::ObjectShape shape{int16_t(g.range(0, width)), int16_t(g.range(0, height)), int16_t(g.range(0, 40)),
                                             int16_t(g.range(0, 40)),    int16_t(g.range(1, 80)),     int16_t(g.range(1, 80))};
            for (Side* s : {&native, &emulated}) {
                s->module->view<HostRunHeader>(s->stage.header)->playfieldWidth = width;
                s->module->view<HostRunHeader>(s->stage.header)->playfieldHeight = height;
                hostrec::shapeObject(*s->module, s->stage.objects[o], shape);
            }
        }
        for (int i = 0; i < kInstances; ++i) {
            ops.push_back(Op{Op::Create, 0, i, 0, 0, {}});  // then Set Object, mostly
            if (g.below(100) < 90) ops.push_back(Op{Op::Action, ActionCode::SetObject, i, g.below(kObjects), 0, {}});
        }
    }

    // What differs after an op, "" if nothing the module could have touched does.
    std::string difference(const Op& op, uint32_t a, uint32_t b) {
        if (op.kind == Op::Expression ? !sameFloat(a, b) : a != b) return mismatch("result", a, b);
        for (int i = 0; i < kInstances; ++i) {
            const std::string instance = "instance " + std::to_string(i) + " ";
            const auto x = native.words(i), y = emulated.words(i);
            for (uint32_t w = 0; w < offsetof(RunData, target) / 4; ++w) {
                if (x[w] != y[w] && w >= kFirstFloat / 4 && w < kEndFloats / 4 && sameFloat(x[w], y[w])) ++nanMatches;
                else if (x[w] != y[w]) return mismatch(instance + "byte " + std::to_string(4 * w), x[w], y[w]);
            }
            if (native.targetIndex(i) != emulated.targetIndex(i))
                return mismatch(instance + "target object", uint32_t(native.targetIndex(i)), uint32_t(emulated.targetIndex(i)));
        }
        for (int o = 0; o < kObjects; ++o) {
            const uint8_t* x = native.module->bytes(native.stage.objects[o]);
            const uint8_t* y = emulated.module->bytes(emulated.stage.objects[o]);
            for (uint32_t at = 0; at < sizeof(HostObject); ++at)
                if (x[at] != y[at]) return mismatch("object " + std::to_string(o) + " byte " + std::to_string(at), x[at], y[at]);
        }
        return "";
    }
};

}  // namespace

Comparison compareBuilds(kdrv::Module& native, kdrv::Module& emulated, uint32_t seed, int frames) {
    SideBySide d(native, emulated);
    Generator g{std::mt19937{seed}};
    for (int frame = 0; frame < frames; ++frame) {
        std::vector<Op> ops;
        if (frame % kEpochFrames == 0) d.newEpoch(g, ops);
        for (uint32_t i = 0, count = g.below(4); i < count; ++i) ops.push_back(g.next());
        for (int i = 0; i < kInstances; ++i) ops.push_back(Op{Op::Step, 0, i, 0, 0, {}});
        for (const Op& op : ops) {
            const uint32_t a = d.native.apply(op), b = d.emulated.apply(op);
            if (std::string difference = d.difference(op, a, b); !difference.empty())
                return {"seed " + std::to_string(seed) + ", frame " + std::to_string(frame) + ", after " + describe(op) + ": " +
                            difference,
                        d.nanMatches};
        }
    }
    return {"", d.nanMatches};
}

}  // namespace kvalidate
