// Reading the module's own event descriptions through its edit-time entry
// points: the entry-point names of each family, descriptor records, and the
// whole vocabulary a scene is written in.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "driver/host_harness.h"
#include "kinemo-host/edit_services.h"
#include "kinemo-host/event_language.h"

namespace khost {

// A family's entry points and id scheme, under the scene language's name.
struct FamilyEntries : hostrec::FamilyInfo {
    EventFamily family;
};

const FamilyEntries& familyEntries(EventFamily family);

// The record behind a Get*Infos pointer: code, flags, count, types, titles.
struct EventInfos {
    int16_t code = 0;
    uint16_t flags = 0;
    std::vector<int16_t> paramTypes;
    std::vector<int16_t> paramTitles;
};

// Throws std::runtime_error when the module hands back no readable record.
EventInfos readEventInfos(kdrv::Module& m, const EditSession& session, EventFamily family, uint32_t code);

// How many events of each family the module registers (GetRunObjectInfos).
struct EventCounts {
    int conditions = 0, actions = 0, expressions = 0;
};
EventCounts readEventCounts(kdrv::Module& m);
int countOf(const EventCounts& counts, EventFamily family);

ParamKind paramKind(EventFamily family, int16_t type);

EventLanguage readEventLanguage(kdrv::Module& m);

}  // namespace khost
