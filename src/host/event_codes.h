// Event codes as the host's event editor stores them: each is its routine's
// index in the routine tables, its descriptor row and its menu entry.
#pragma once
#include "host/event_list.h"

namespace kinemo {
#define KINEMO_EVENT_NAME(name, ...) name,

namespace ConditionCode {
enum : int { KINEMO_CONDITIONS(KINEMO_EVENT_NAME) Count };
}

namespace ActionCode {
enum : int { KINEMO_ACTIONS(KINEMO_EVENT_NAME) Count };
}

namespace ExpressionCode {
enum : int { KINEMO_EXPRESSIONS(KINEMO_EVENT_NAME) Count };
}

#undef KINEMO_EVENT_NAME

}  // namespace kinemo
