#include "kinemo-host/scene_runner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "driver/host_harness.h"
#include "kinemo-host/text_forms.h"

using kinemo::HostObject;
using kinemo::RunData;

namespace khost {
namespace {

using kdrv::Addr;
using kdrv::RoutineKind;

// The handle the host application passes to an expression; the module hands
// it back to the fetch callbacks unchanged.
constexpr uint32_t kParamHandle = 0x4B530001;

// One run of a scene, kinemo-host in the host application's place. The
// stage's objects are by scene object index, its instances by instance index
// (0 until created).
struct Playback {
    Playback(kdrv::Module& module, const Scene& played)
        : m(module), scene(played), stage(hostrec::newStage(m, scene.playfieldWidth, scene.playfieldHeight)) {
        stage.objects.assign(scene.objects.size(), 0);
        stage.instances.assign(scene.instances.size(), 0);
    }

    kdrv::Module& m;
    const Scene& scene;
    hostrec::Stage stage;
    std::map<Addr, int> objectIndex;
    int64_t frame = 0;
    std::span<StepObserver* const> observers;
};

Addr routineFor(const Playback& h, RoutineKind kind, int code) {
    const std::vector<Addr>& table = h.stage.routines.of(kind);
    if (code < 0 || static_cast<size_t>(code) >= table.size() || table[code] == 0)
        throw std::runtime_error("the module's " + std::string(hostrec::family(kind).noun) + " table has no routine " +
                                 std::to_string(code));
    return table[code];
}

void createObject(Playback& h, int index) {
    const SceneObject& o = h.scene.objects[index];
    const Addr a = hostrec::newObject(h.m, o.x, o.y, o.hotSpotX, o.hotSpotY, o.width, o.height);
    h.stage.objects[index] = a;
    h.objectIndex[a] = index;
}

void createInstance(Playback& h, int index) {
    uint32_t size = h.m.call("GetRunObjectDataSize", {0, 0}) & 0xFFFF;
    h.stage.instances[index] = hostrec::newInstance(h.m, h.stage.header, std::max<uint32_t>(size, sizeof(RunData)));
}

// Routine arguments: integers as they are, objects as their HostObject.
std::vector<uint32_t> routineArgs(const Playback& h, const EventCall& call) {
    std::vector<uint32_t> args;
    for (const EventParam& p : call.params)
        args.push_back(p.kind == ParamKind::Object ? h.stage.objects.at(p.value) : p.value);
    args.resize(std::max<size_t>(args.size(), 2), 0);
    return args;
}

InstanceState readState(Playback& h, int index) {
    RunData rd;
    std::memcpy(&rd, h.m.bytes(h.stage.instances[index]), sizeof rd);
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

void runAction(Playback& h, const SceneCommand& c) {
    auto args = routineArgs(h, c.event);
    h.m.callRoutine(RoutineKind::Action, routineFor(h, RoutineKind::Action, c.event.code),
                    {h.stage.instances[c.subject], args[0], args[1]});
}

void report(Playback& h, const SceneCommand& c, const std::string& value, std::ostream& out) {
    std::string line = h.scene.instances[c.subject] + ' ' + c.event.text + " = " + value;
    out << line << '\n';
    for (StepObserver* o : h.observers) o->onResult(h.frame, line);
}

void runCondition(Playback& h, const SceneCommand& c, std::ostream& out) {
    auto args = routineArgs(h, c.event);
    uint32_t result = h.m.callRoutine(RoutineKind::Condition, routineFor(h, RoutineKind::Condition, c.event.code),
                                      {h.stage.instances[c.subject], args[0], args[1]});
    report(h, c, result != 0 ? "true" : "false", out);
}

void runExpression(Playback& h, const SceneCommand& c, std::ostream& out) {
    Addr rd = h.stage.instances[c.subject];
    std::vector<uint32_t> params;
    for (const EventParam& p : c.event.params) params.push_back(p.value);
    // The host application clears the float flag before asking, then reads the result by it.
    hostrec::setResultFlags(h.m, rd, hostrec::resultFlags(h.m, rd) & ~hostrec::layout::kFloatResultFlag);
    uint32_t result = hostrec::callExpression(h.m, routineFor(h, RoutineKind::Expression, c.event.code), rd, *h.stage.params,
                                              params, kParamHandle);
    bool isFloat = (hostrec::resultFlags(h.m, rd) & hostrec::layout::kFloatResultFlag) != 0;
    report(h, c, isFloat ? formatFloat(std::bit_cast<float>(result)) : std::to_string(static_cast<int32_t>(result)), out);
}

void runFrames(Playback& h, int64_t frames, std::span<StepObserver* const> observers) {
    for (int64_t f = 0; f < frames; ++f) {
        ++h.frame;
        for (size_t i = 0; i < h.stage.instances.size(); ++i) {
            if (h.stage.instances[i] == 0) continue;
            InstanceState before = readState(h, static_cast<int>(i));
            h.m.call("HandleRunObject", {h.stage.instances[i]});
            InstanceState after = readState(h, static_cast<int>(i));
            for (StepObserver* o : observers) o->onStep(before, after);
        }
    }
}

void dump(Playback& h, int index, std::ostream& out) {
    auto columns = stateColumns();
    auto values = stateValues(readState(h, index), h.scene.instances[index], kNoTarget);
    std::string line;
    for (size_t i = 0; i < columns.size(); ++i) line += (i == 0 ? "" : " ") + std::string(columns[i]) + '=' + values[i];
    out << line << '\n';
    for (StepObserver* o : h.observers) o->onResult(h.frame, line);
}

void beforeReport(std::span<StepObserver* const> observers) {
    for (StepObserver* o : observers) o->onReport();
}

void runCommands(Playback& h, size_t begin, size_t end, std::ostream& out, std::span<StepObserver* const> observers) {
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
                auto* obj = m.view<HostObject>(h.stage.objects[c.subject]);
                obj->posX = c.x;
                obj->posY = c.y;
                for (StepObserver* o : observers) o->onPlace(h.frame, c.subject, obj->posX, obj->posY);
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
    Playback h(m, scene);
    h.observers = observers;
    runCommands(h, 0, scene.commands.size(), out, observers);
    for (StepObserver* o : observers) o->onFinish();
    SceneEnd end;
    end.frames = h.frame;
    for (size_t i = 0; i < h.stage.instances.size(); ++i) {
        InstanceState s;
        s.instance = static_cast<int>(i);
        end.instances.push_back(h.stage.instances[i] != 0 ? readState(h, static_cast<int>(i)) : s);
    }
    for (Addr a : h.stage.objects) {
        const auto* obj = a != 0 ? m.view<HostObject>(a) : nullptr;
        end.objects.push_back(obj != nullptr ? SceneEnd::Position{obj->posX, obj->posY} : SceneEnd::Position{});
    }
    return end;
}

}  // namespace khost
