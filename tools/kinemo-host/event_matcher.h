// Matches an event text written in a scene ("Set Position (100, 40)",
// "GetDist(200, 100.5)") against the display strings the module reports,
// and turns the written values into routine parameters.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kinemo-host/event_language.h"
#include "kinemo-host/scene.h"

namespace khost {

struct EventMatch {
    bool ok = false;
    EventCall call;     // when ok
    std::string error;  // when not ok: the message, without file and line
    std::string warning;  // when ok, a value the module will not read as written
};

// Object parameters name one of `objects`; the call then holds its index.
EventMatch matchEvent(std::string_view text, RoutineKind family, std::span<const EventSignature> events,
                      std::span<const SceneObject> objects);

// How an event is written in a scene, placeholders kept: "Set Position (%0, %1)",
// "GetDist(%0, %1)", in UTF-8.
std::string writtenForm(const EventSignature& event, RoutineKind family);

}  // namespace khost
