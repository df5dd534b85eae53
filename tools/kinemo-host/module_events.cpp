#include "kinemo-host/module_events.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "driver/host_harness.h"
#include "host/event_list.h"

using kinemo::ParamFetched;
using kinemo::ParamNumber;
using kinemo::ParamObject;
using kinemo::RunInfos;

namespace khost {
namespace {
// A descriptor row never declares more parameters than this; more means a bad record.
constexpr int kMaxParams = 16;

int16_t wordAt(const uint8_t* p, size_t index) {
    int16_t w;
    std::memcpy(&w, p + 2 * index, sizeof w);
    return w;
}
}  // namespace

EventInfos readEventInfos(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& f,
                          uint32_t code) {
    kdrv::Addr record = m.call(f.infos, {session.services, code});
    const uint8_t* p = record == 0 ? nullptr : m.bytes(record);
    if (p == nullptr)
        throw std::runtime_error(std::string(f.infos) + " gave no readable record for code " + std::to_string(code));
    EventInfos infos;
    infos.code = wordAt(p, 0);
    infos.flags = static_cast<uint16_t>(wordAt(p, 1));
    int count = wordAt(p, 2);
    if (count < 0 || count > kMaxParams)
        throw std::runtime_error(std::string(f.infos) + " for code " + std::to_string(code) + " declares " +
                                 std::to_string(count) + " parameters");
    for (int i = 0; i < count; ++i) infos.paramTypes.push_back(wordAt(p, 3 + i));
    for (int i = 0; i < count; ++i) infos.paramTitles.push_back(wordAt(p, 3 + count + i));
    return infos;
}

EventCounts readEventCounts(kdrv::Module& m) {
    const RunInfos infos = hostrec::runInfos(m);
    return {infos.conditionCount, infos.actionCount, infos.expressionCount};
}

int countOf(const EventCounts& counts, RoutineKind family) {
    switch (family) {
        case RoutineKind::Condition: return counts.conditions;
        case RoutineKind::Action: return counts.actions;
        case RoutineKind::Expression: return counts.expressions;
    }
    return 0;
}

ParamKind paramKind(RoutineKind family, int16_t type) {
    if (family == RoutineKind::Expression) return type == ParamFetched ? ParamKind::Number : ParamKind::Unknown;
    if (type == ParamNumber) return ParamKind::Integer;
    if (type == ParamObject) return ParamKind::Object;
    return ParamKind::Unknown;
}

EventLanguage readEventLanguage(kdrv::Module& m) {
    EditSession session = newEditSession(m);
    EventCounts counts = readEventCounts(m);
    EventLanguage language;
    for (const hostrec::FamilyInfo& f : hostrec::kFamilies) {
        auto& events = f.kind == RoutineKind::Condition ? language.conditions
                       : f.kind == RoutineKind::Action  ? language.actions
                                                        : language.expressions;
        for (int code = 0; code < countOf(counts, f.kind); ++code) {
            EventInfos infos = readEventInfos(m, session, f, static_cast<uint32_t>(code));
            EventSignature event;
            event.code = code;
            event.display = moduleString(m, session, f, static_cast<uint32_t>(code));
            event.paramTypes = infos.paramTypes;
            for (int16_t type : infos.paramTypes) event.params.push_back(paramKind(f.kind, type));
            // A code without a display string cannot be written in a scene.
            if (!event.display.empty()) events.push_back(std::move(event));
        }
    }
    return language;
}

}  // namespace khost
