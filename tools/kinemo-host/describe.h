// `describe`: a Markdown reference of every event, read from the module's
// own edit-time entry points (menus, code-from-menu, display strings,
// descriptor records, parameter titles).
#pragma once
#include <ostream>

#include "driver/module.h"

namespace khost {

// Throws std::runtime_error when the module answers something unusable.
void describeEvents(kdrv::Module& m, std::ostream& out);

}  // namespace khost
