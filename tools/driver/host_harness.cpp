#include "driver/host_harness.h"

#include <cstring>
#include <map>
#include <utility>

namespace hostrec {

Addr newRunHeader(Module& m, int16_t width, int16_t height) {
    const Addr h = m.alloc(layout::kRunHeaderSize);
    writeField(m, h, layout::kPlayfieldWidth, width);
    writeField(m, h, layout::kPlayfieldHeight, height);
    return h;
}

void shapeObject(Module& m, Addr object, const ObjectShape& shape) {
    const std::pair<uint32_t, int16_t> fields[] = {
        {layout::kPosX, shape.x},           {layout::kPosY, shape.y},          {layout::kHotSpotX, shape.hotX},
        {layout::kHotSpotY, shape.hotY},    {layout::kImageWidth, shape.width}, {layout::kImageHeight, shape.height},
    };
    for (const auto& [offset, value] : fields) writeField(m, object, offset, value);
}

Addr newObject(Module& m, int16_t x, int16_t y, int16_t hotX, int16_t hotY, int16_t w, int16_t h) {
    const Addr o = m.alloc(layout::kObjectSize);
    shapeObject(m, o, {x, y, hotX, hotY, w, h});
    return o;
}

Addr runHeaderOf(Module& m, Addr rd) { return readField<Addr>(m, rd, layout::kRunHeader); }

void attachRunHeader(Module& m, Addr rd, Addr runHeader) { writeField(m, rd, layout::kRunHeader, runHeader); }

Addr newInstance(Module& m, Addr runHeader, uint32_t size) {
    Addr a = m.alloc(size);
    attachRunHeader(m, a, runHeader);
    m.call("CreateRunObject", {a, 0, 0});
    return a;
}

uint16_t resultFlags(Module& m, Addr rd) { return readField<uint16_t>(m, rd, layout::kResultFlags); }

void setResultFlags(Module& m, Addr rd, uint16_t flags) { writeField(m, rd, layout::kResultFlags, flags); }

RunInfos runInfos(Module& m) {
    Addr a = m.alloc(sizeof(RunInfos));
    m.call("GetRunObjectInfos", {0, a});
    RunInfos out;
    std::memcpy(&out, m.bytes(a), sizeof out);
    return out;
}

const std::vector<Addr>& Routines::of(RoutineKind kind) const {
    return kind == RoutineKind::Condition ? conditions : kind == RoutineKind::Action ? actions : expressions;
}

namespace {
std::vector<Addr> walk(Module& m, const RunInfos& infos, RoutineKind kind) {
    const Addr tables[] = {infos.conditionRoutines, infos.actionRoutines, infos.expressionRoutines};
    return m.routineTable(kind, tables[static_cast<size_t>(kind)]);
}
}  // namespace

Routines routines(Module& m) {
    const RunInfos infos = runInfos(m);
    return {walk(m, infos, RoutineKind::Condition), walk(m, infos, RoutineKind::Action),
            walk(m, infos, RoutineKind::Expression)};
}

Addr routine(Module& m, RoutineKind kind, int index) { return walk(m, runInfos(m), kind).at(static_cast<size_t>(index)); }

void installParamFetch(Module& m, Addr runHeader, kdrv::Callback fetch) {
    const Addr first = m.callback(kdrv::CallbackKind::ParamFetch, fetch);
    const Addr next = m.callback(kdrv::CallbackKind::ParamFetch, std::move(fetch));
    writeField(m, runHeader, layout::kGetFirstParam, first);
    writeField(m, runHeader, layout::kGetNextParam, next);
}

std::shared_ptr<ParamQueue> installParamQueue(Module& m, Addr runHeader) {
    auto queue = std::make_shared<ParamQueue>();
    installParamFetch(m, runHeader, [queue](std::span<const uint32_t>) -> uint32_t {
        return queue->next < queue->values.size() ? queue->values[queue->next++] : 0;
    });
    return queue;
}

uint32_t callExpression(Module& m, Addr routine, Addr rd, ParamQueue& queue, std::span<const uint32_t> params,
                        uint32_t handle) {
    queue.values.assign(params.begin(), params.end());
    queue.next = 0;
    return m.callRoutine(RoutineKind::Expression, routine, {rd, handle});
}

Stage newStage(Module& m, int16_t width, int16_t height) {
    const Addr header = newRunHeader(m, width, height);
    return Stage{m, header, installParamQueue(m, header), routines(m), {}, {}};
}

uint32_t callAction(Stage& s, Addr rd, int code, uint32_t p1, uint32_t p2) {
    return s.m.callRoutine(RoutineKind::Action, s.routines.actions.at(static_cast<size_t>(code)), {rd, p1, p2});
}

uint32_t callCondition(Stage& s, Addr rd, uint32_t p1, uint32_t p2) {
    return s.m.callRoutine(RoutineKind::Condition, s.routines.conditions.at(0), {rd, p1, p2});
}

uint32_t callExpression(Stage& s, Addr rd, int code, std::span<const uint32_t> params, uint32_t handle) {
    return callExpression(s.m, s.routines.expressions.at(static_cast<size_t>(code)), rd, *s.params, params, handle);
}

int16_t action(Module& m, Addr rd, int code, uint32_t p1, uint32_t p2) {
    return static_cast<int16_t>(m.callRoutine(RoutineKind::Action, routine(m, RoutineKind::Action, code), {rd, p1, p2}));
}

uint32_t condition(Module& m, Addr rd, int code) {
    return m.callRoutine(RoutineKind::Condition, routine(m, RoutineKind::Condition, code), {rd, 0, 0});
}

namespace {
// One queue per run header, installed on first use.
ParamQueue& queueOf(Module& m, Addr header) {
    static std::map<std::pair<Module*, Addr>, std::shared_ptr<ParamQueue>> queues;
    const Addr installed = readField<Addr>(m, header, layout::kGetFirstParam);
    if (auto it = queues.find({&m, installed}); installed != 0 && it != queues.end()) return *it->second;
    auto queue = installParamQueue(m, header);
    queues[{&m, readField<Addr>(m, header, layout::kGetFirstParam)}] = queue;
    return *queue;
}
}  // namespace

uint32_t expression(Module& m, Addr rd, int code, std::initializer_list<uint32_t> params) {
    return callExpression(m, routine(m, RoutineKind::Expression, code), rd, queueOf(m, runHeaderOf(m, rd)), params);
}

int16_t step(Module& m, Addr rd) { return static_cast<int16_t>(m.call("HandleRunObject", {rd})); }

Addr hostVersionCallback(Module& m, uint32_t version) {
    return m.callback(kdrv::CallbackKind::HostVersion, [version](std::span<const uint32_t>) { return version; });
}

Addr newEditServices(Module& m, Addr versionCallback, Addr pathCallback) {
    const Addr s = m.alloc(layout::kEditServicesSize);
    writeField(m, s, layout::kGetHostVersion, versionCallback);
    writeField(m, s, layout::kPathCallback, pathCallback);
    return s;
}

void callString(Module& m, const FamilyInfo& f, Addr services, uint32_t code, Addr buffer, uint32_t size) {
    m.call(f.string, {services, code, buffer, size});
}

void callTitle(Module& m, const FamilyInfo& f, Addr services, uint32_t code, uint32_t param, Addr buffer, uint32_t size) {
    if (f.kind == RoutineKind::Expression) m.call(f.title, {services, code, buffer, size});
    else m.call(f.title, {services, code, param, buffer, size});
}

}  // namespace hostrec
