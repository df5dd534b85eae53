// The unit of an event parameter, read off its display string: the module's
// tables carry types but no units, and the display strings say enough.
#pragma once
#include <string_view>

#include "kinemo-host/event_language.h"

namespace khost {

// display: the module's single-byte display string; param: the %N index.
std::string_view paramUnit(std::string_view display, int param, ParamKind kind);

}  // namespace khost
