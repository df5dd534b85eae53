// The event vocabulary a module reports at edit time: each condition,
// action and expression with its display string and parameter kinds.
// Scene texts are matched against it, so the scene language follows the module.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "driver/module.h"

namespace khost {

using kdrv::RoutineKind;  // an event's family: condition, action or expression

enum class ParamKind : uint8_t {
    Integer,  // action/condition type 22: a signed 32-bit value
    Object,   // action/condition type 1: a playfield object
    Number,   // expression type 1: fetched raw 32 bits, integer or f32
    Unknown,  // a type kinemo-host cannot supply
};

struct EventSignature {
    int code = 0;
    std::string display;  // as the module reports it (single-byte text, "%0" placeholders)
    std::vector<ParamKind> params;
    std::vector<int16_t> paramTypes;  // the raw type codes, same order
};

struct EventLanguage {
    std::vector<EventSignature> conditions;
    std::vector<EventSignature> actions;
    std::vector<EventSignature> expressions;
};

}  // namespace khost
