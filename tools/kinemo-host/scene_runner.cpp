#include "kinemo-host/scene_runner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "host/routines.h"
#include "kinemo-host/text_forms.h"

namespace khost {
namespace {

using kdrv::Addr;
using kdrv::RoutineKind;

// The handle the host passes to an expression; the module hands it back to
// the fetch callbacks unchanged.
constexpr uint32_t kParamHandle = 0x4B530001;

struct ParamQueue {
    std::vector<uint32_t> values;
    size_t next = 0;
};

struct HostSide {
    HostSide(kdrv::Module& module, const Scene& played) : m(module), scene(played) {}

    kdrv::Module& m;
    const Scene& scene;
    Addr runHeader = 0;
    std::vector<Addr> conditions, actions, expressions;
    std::vector<Addr> objects;    // by scene object index
    std::vector<Addr> instances;  // by instance index, once created
    std::map<Addr, int> objectIndex;
    std::shared_ptr<ParamQueue> params = std::make_shared<ParamQueue>();
    int64_t frame = 0;
    std::span<StepObserver* const> observers;
};

void setUp(HostSide& h) {
    kdrv::Module& m = h.m;
    // Both fetch callbacks hand out the queued parameters in order.
    auto queue = h.params;
    auto fetch = [queue](std::span<const uint32_t>) -> uint32_t {
        return queue->next < queue->values.size() ? queue->values[queue->next++] : 0;
    };
    Addr first = m.callback(kdrv::CallbackKind::ParamFetch, fetch);
    Addr next = m.callback(kdrv::CallbackKind::ParamFetch, fetch);
    h.runHeader = m.alloc(sizeof(HostRunHeader));
    auto* header = m.view<HostRunHeader>(h.runHeader);
    header->playfieldWidth = h.scene.playfieldWidth;
    header->playfieldHeight = h.scene.playfieldHeight;
    header->getFirstParam = first;
    header->getNextParam = next;

    Addr infosAddr = m.alloc(sizeof(RunInfos));
    m.call("GetRunObjectInfos", {0, infosAddr});
    RunInfos infos;
    std::memcpy(&infos, m.bytes(infosAddr), sizeof infos);
    h.conditions = m.routineTable(RoutineKind::Condition, infos.conditionRoutines);
    h.actions = m.routineTable(RoutineKind::Action, infos.actionRoutines);
    h.expressions = m.routineTable(RoutineKind::Expression, infos.expressionRoutines);
    h.objects.assign(h.scene.objects.size(), 0);
    h.instances.assign(h.scene.instances.size(), 0);
}

Addr routineFor(const std::vector<Addr>& table, int code, const char* family) {
    if (code < 0 || static_cast<size_t>(code) >= table.size() || table[code] == 0)
        throw std::runtime_error(std::string("the module's ") + family + " table has no routine " + std::to_string(code));
    return table[code];
}

void createObject(HostSide& h, int index) {
    const SceneObject& o = h.scene.objects[index];
    Addr a = h.m.alloc(sizeof(HostObject));
    auto* obj = h.m.view<HostObject>(a);
    obj->posX = o.x;
    obj->posY = o.y;
    obj->hotSpotX = o.hotSpotX;
    obj->hotSpotY = o.hotSpotY;
    obj->imageWidth = o.width;
    obj->imageHeight = o.height;
    h.objects[index] = a;
    h.objectIndex[a] = index;
}

void createInstance(HostSide& h, int index) {
    uint32_t size = h.m.call("GetRunObjectDataSize", {0, 0}) & 0xFFFF;
    if (size < sizeof(RunData)) size = sizeof(RunData);
    Addr rd = h.m.alloc(size);
    std::memcpy(h.m.bytes(rd) + kRunHeaderOffset, &h.runHeader, sizeof h.runHeader);
    h.m.call("CreateRunObject", {rd, 0, 0});
    h.instances[index] = rd;
}

// Routine arguments: integers as they are, objects as their HostObject.
std::vector<uint32_t> routineArgs(const HostSide& h, const EventCall& call) {
    std::vector<uint32_t> args;
    for (const EventParam& p : call.params)
        args.push_back(p.kind == ParamKind::Object ? h.objects.at(p.value) : p.value);
    args.resize(std::max<size_t>(args.size(), 2), 0);
    return args;
}

InstanceState readState(HostSide& h, int index) {
    RunData rd;
    std::memcpy(&rd, h.m.bytes(h.instances[index]), sizeof rd);
    InstanceState s;
    s.frame = h.frame;
    s.instance = index;
    s.x = rd.x;
    s.y = rd.y;
    s.xSpeed = rd.xSpeed;
    s.ySpeed = rd.ySpeed;
    s.angle = rd.angle;
    s.speed = rd.speed;
    s.gravityStrength = rd.gravityStrength;
    s.gravityAngle = rd.gravityAngle;
    s.maxSpeed = rd.maxSpeed;
    s.minSpeed = rd.minSpeed;
    s.bounceCoefficient = rd.bounceCoefficient;
    s.mode = rd.mode;
    s.paused = rd.paused;
    s.objectSet = rd.objectSet;
    s.boundLeft = rd.boundLeft;
    s.boundTop = rd.boundTop;
    s.boundRight = rd.boundRight;
    s.boundBottom = rd.boundBottom;
    if (rd.objectSet != 0) {
        if (auto it = h.objectIndex.find(rd.target); it != h.objectIndex.end()) {
            const auto* obj = h.m.view<HostObject>(it->first);
            s.target = it->second;
            s.posX = obj->posX;
            s.posY = obj->posY;
        }
    }
    return s;
}

void runAction(HostSide& h, const SceneCommand& c) {
    auto args = routineArgs(h, c.event);
    h.m.callRoutine(RoutineKind::Action, routineFor(h.actions, c.event.code, "action"),
                    {h.instances[c.subject], args[0], args[1]});
}

void report(HostSide& h, const SceneCommand& c, const std::string& value, std::ostream& out) {
    std::string line = h.scene.instances[c.subject] + ' ' + c.event.text + " = " + value;
    out << line << '\n';
    for (StepObserver* o : h.observers) o->onResult(h.frame, line);
}

void runCondition(HostSide& h, const SceneCommand& c, std::ostream& out) {
    auto args = routineArgs(h, c.event);
    uint32_t result = h.m.callRoutine(RoutineKind::Condition, routineFor(h.conditions, c.event.code, "condition"),
                                      {h.instances[c.subject], args[0], args[1]});
    report(h, c, result != 0 ? "true" : "false", out);
}

uint16_t resultFlags(HostSide& h, Addr rd) {
    uint16_t flags;
    std::memcpy(&flags, h.m.bytes(rd) + kResultFlagsOffset, sizeof flags);
    return flags;
}

void runExpression(HostSide& h, const SceneCommand& c, std::ostream& out) {
    Addr rd = h.instances[c.subject];
    h.params->values.clear();
    for (const EventParam& p : c.event.params) h.params->values.push_back(p.value);
    h.params->next = 0;
    // The host clears the float flag before asking, then reads the result by it.
    uint16_t flags = resultFlags(h, rd) & ~kFloatResultFlag;
    std::memcpy(h.m.bytes(rd) + kResultFlagsOffset, &flags, sizeof flags);
    uint32_t result = h.m.callRoutine(RoutineKind::Expression, routineFor(h.expressions, c.event.code, "expression"),
                                      {rd, kParamHandle});
    bool isFloat = (resultFlags(h, rd) & kFloatResultFlag) != 0;
    report(h, c, isFloat ? formatFloat(std::bit_cast<float>(result)) : std::to_string(static_cast<int32_t>(result)), out);
}

void runFrames(HostSide& h, int64_t frames, std::span<StepObserver* const> observers) {
    for (int64_t f = 0; f < frames; ++f) {
        ++h.frame;
        for (size_t i = 0; i < h.instances.size(); ++i) {
            if (h.instances[i] == 0) continue;
            InstanceState before = readState(h, static_cast<int>(i));
            h.m.call("HandleRunObject", {h.instances[i]});
            InstanceState after = readState(h, static_cast<int>(i));
            for (StepObserver* o : observers) o->onStep(before, after);
        }
    }
}

void dump(HostSide& h, int index, std::ostream& out) {
    auto columns = stateColumns();
    auto values = stateValues(readState(h, index), h.scene.instances[index]);
    for (size_t i = 0; i < columns.size(); ++i) out << (i == 0 ? "" : " ") << columns[i] << '=' << values[i];
    out << '\n';
}

void beforeReport(std::span<StepObserver* const> observers) {
    for (StepObserver* o : observers) o->onReport();
}

void runCommands(HostSide& h, size_t begin, size_t end, std::ostream& out, std::span<StepObserver* const> observers) {
    kdrv::Module& m = h.m;
    for (size_t i = begin; i < end; ++i) {
        const SceneCommand& c = h.scene.commands[i];
        switch (c.kind) {
            case CommandKind::Object: createObject(h, c.subject); break;
            case CommandKind::Kinemo: createInstance(h, c.subject); break;
            case CommandKind::Action: runAction(h, c); break;
            case CommandKind::Condition:
                beforeReport(observers);
                runCondition(h, c, out);
                break;
            case CommandKind::Expression:
                beforeReport(observers);
                runExpression(h, c, out);
                break;
            case CommandKind::Step: runFrames(h, c.frames, observers); break;
            case CommandKind::Place: {
                auto* obj = m.view<HostObject>(h.objects[c.subject]);
                obj->posX = c.x;
                obj->posY = c.y;
                break;
            }
            case CommandKind::Dump:
                beforeReport(observers);
                dump(h, c.subject, out);
                break;
            case CommandKind::Repeat: {
                size_t bodyEnd = std::max(c.bodyEnd, i + 1);
                for (int64_t n = 0; n < c.frames; ++n) runCommands(h, i + 1, bodyEnd, out, observers);
                i = bodyEnd - 1;
                break;
            }
        }
    }
}

}  // namespace

SceneEnd runScene(kdrv::Module& m, const Scene& scene, std::ostream& out, std::span<StepObserver* const> observers) {
    HostSide h(m, scene);
    h.observers = observers;
    setUp(h);
    runCommands(h, 0, scene.commands.size(), out, observers);
    for (StepObserver* o : observers) o->onFinish();
    SceneEnd end;
    end.frames = h.frame;
    for (size_t i = 0; i < h.instances.size(); ++i) {
        InstanceState s;
        s.instance = static_cast<int>(i);
        end.instances.push_back(h.instances[i] != 0 ? readState(h, static_cast<int>(i)) : s);
    }
    for (Addr a : h.objects) {
        const auto* obj = a != 0 ? m.view<HostObject>(a) : nullptr;
        end.objects.push_back(obj != nullptr ? SceneEnd::Position{obj->posX, obj->posY} : SceneEnd::Position{});
    }
    return end;
}

}  // namespace khost
