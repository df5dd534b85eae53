#include "support/host_records.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace hostrec {

Addr newRunHeader(Module& m, int16_t width, int16_t height) {
    Addr a = m.alloc(sizeof(HostRunHeader));
    auto* h = m.view<HostRunHeader>(a);
    h->playfieldWidth = width;
    h->playfieldHeight = height;
    return a;
}

Addr newObject(Module& m, int16_t x, int16_t y, int16_t hotX, int16_t hotY, int16_t w, int16_t h) {
    Addr a = m.alloc(sizeof(HostObject));
    auto* o = m.view<HostObject>(a);
    o->posX = x;
    o->posY = y;
    o->hotSpotX = hotX;
    o->hotSpotY = hotY;
    o->imageWidth = w;
    o->imageHeight = h;
    return a;
}

Addr newInstance(Module& m, Addr runHeader) {
    Addr a = m.alloc(sizeof(RunData));
    std::memcpy(m.bytes(a) + kRunHeaderOffset, &runHeader, sizeof runHeader);
    m.call("CreateRunObject", {a, 0, 0});
    return a;
}

RunInfos runInfos(Module& m) {
    Addr a = m.alloc(sizeof(RunInfos));
    m.call("GetRunObjectInfos", {0, a});
    RunInfos out;
    std::memcpy(&out, m.bytes(a), sizeof out);
    return out;
}

Addr routine(Module& m, RoutineKind kind, int index) {
    RunInfos infos = runInfos(m);
    Addr table = kind == RoutineKind::Condition ? infos.conditionRoutines
                 : kind == RoutineKind::Action  ? infos.actionRoutines
                                                : infos.expressionRoutines;
    return m.routineTable(kind, table).at(index);
}

int16_t action(Module& m, Addr rd, int code, uint32_t p1, uint32_t p2) {
    return static_cast<int16_t>(m.callRoutine(RoutineKind::Action, routine(m, RoutineKind::Action, code), {rd, p1, p2}));
}

uint32_t condition(Module& m, Addr rd, int code) {
    return m.callRoutine(RoutineKind::Condition, routine(m, RoutineKind::Condition, code), {rd, 0, 0});
}

namespace {
struct ParamQueue {
    std::vector<uint32_t> values;
    size_t next = 0;
};

// One pair of fetch callbacks per run header, installed on first use.
ParamQueue& paramQueue(Module& m, Addr header) {
    static std::map<std::pair<Module*, Addr>, std::shared_ptr<ParamQueue>> queues;
    auto* h = m.view<HostRunHeader>(header);
    auto key = std::make_pair(&m, h->getFirstParam);
    if (h->getFirstParam != 0 && queues.count(key)) return *queues[key];
    auto queue = std::make_shared<ParamQueue>();
    auto fetch = [queue](std::span<const uint32_t>) -> uint32_t {
        return queue->next < queue->values.size() ? queue->values[queue->next++] : 0;
    };
    h->getFirstParam = m.callback(kdrv::CallbackKind::ParamFetch, fetch);
    h->getNextParam = m.callback(kdrv::CallbackKind::ParamFetch, fetch);
    queues[std::make_pair(&m, h->getFirstParam)] = queue;
    return *queue;
}
}  // namespace

uint32_t expression(Module& m, Addr rd, int code, std::initializer_list<uint32_t> params) {
    Addr header;
    std::memcpy(&header, m.bytes(rd) + kRunHeaderOffset, sizeof header);
    ParamQueue& queue = paramQueue(m, header);
    queue.values.assign(params);
    queue.next = 0;
    return m.callRoutine(RoutineKind::Expression, routine(m, RoutineKind::Expression, code), {rd, 0x1234});
}

int16_t step(Module& m, Addr rd) { return static_cast<int16_t>(m.call("HandleRunObject", {rd})); }

}  // namespace hostrec
