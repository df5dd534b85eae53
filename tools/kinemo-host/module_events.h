// Reading the module's own event descriptions through its edit-time entry
// points (each family's, as hostrec::FamilyInfo names them): descriptor
// records, counts, and the whole vocabulary a scene is written in.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "driver/host_harness.h"
#include "kinemo-host/edit_services.h"
#include "kinemo-host/event_language.h"

namespace khost {

// The record behind a Get*Infos pointer: code, flags, count, types, titles.
struct EventInfos {
    int16_t code = 0;
    uint16_t flags = 0;
    std::vector<int16_t> paramTypes;
    std::vector<int16_t> paramTitles;
};

// Throws std::runtime_error when the module hands back no readable record.
EventInfos readEventInfos(kdrv::Module& m, const EditSession& session, const hostrec::FamilyInfo& family,
                          uint32_t code);

// How many events of each family the module registers (GetRunObjectInfos).
struct EventCounts {
    int conditions = 0, actions = 0, expressions = 0;
};
EventCounts readEventCounts(kdrv::Module& m);
int countOf(const EventCounts& counts, RoutineKind family);

ParamKind paramKind(RoutineKind family, int16_t type);

EventLanguage readEventLanguage(kdrv::Module& m);

}  // namespace khost
